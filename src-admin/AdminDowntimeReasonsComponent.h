#pragma once

#include "Admin2FieldComponent.h"

// The editor of the administration window's "downtime reasons" button: vek.downtime_reasons, under its departments.
class AdminDowntimeReasonsComponent : public Admin2FieldComponent
{
public:
    AdminDowntimeReasonsComponent();
    ~AdminDowntimeReasonsComponent() override;
};
