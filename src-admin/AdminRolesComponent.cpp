#include "AdminRolesComponent.h"

AdminRolesComponent::AdminRolesComponent() : Admin2FieldComponent("roles", "name", "", "", "name")
{
}

AdminRolesComponent::~AdminRolesComponent() = default;
