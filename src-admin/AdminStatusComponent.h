#pragma once

#include "Admin2FieldComponent.h"

// The editor of the administration window's "status" button: vek.status.
class AdminStatusComponent : public Admin2FieldComponent
{
public:
    AdminStatusComponent();
    ~AdminStatusComponent() override;
};
