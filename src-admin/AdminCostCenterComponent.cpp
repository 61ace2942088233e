#include "AdminCostCenterComponent.h"

AdminCostCenterComponent::AdminCostCenterComponent()
    : Admin2FieldComponent("cost_center", "name", "", "", "name")
{
}

AdminCostCenterComponent::~AdminCostCenterComponent() = default;
