#include "AdminStatusComponent.h"

AdminStatusComponent::AdminStatusComponent() : Admin2FieldComponent("status", "name", "", "", "name")
{
}

AdminStatusComponent::~AdminStatusComponent() = default;
