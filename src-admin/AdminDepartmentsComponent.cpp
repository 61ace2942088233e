#include "AdminDepartmentsComponent.h"

AdminDepartmentsComponent::AdminDepartmentsComponent()
    : Admin2FieldComponent("departments", "acronym", "name", "", "name")
{
}

AdminDepartmentsComponent::~AdminDepartmentsComponent() = default;
