#pragma once

#include "Admin2FieldComponent.h"

// The editor of the administration window's "cost centers" button: vek.cost_center.
class AdminCostCenterComponent : public Admin2FieldComponent
{
public:
    AdminCostCenterComponent();
    ~AdminCostCenterComponent() override;
};
