#include "AdminEmployeesComponent.h"

AdminEmployeesComponent::AdminEmployeesComponent()
    : Admin3FieldCheckboxComponent("employees", "first_name", "last_name", "departments", "last_name, first_name")
{
}

AdminEmployeesComponent::~AdminEmployeesComponent() = default;
