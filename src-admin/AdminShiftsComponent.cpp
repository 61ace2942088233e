#include "AdminShiftsComponent.h"

AdminShiftsComponent::AdminShiftsComponent() : Admin2FieldComponent("shifts", "name", "", "", "name")
{
}

AdminShiftsComponent::~AdminShiftsComponent() = default;
