#include "AdminCategoryComponent.h"

AdminCategoryComponent::AdminCategoryComponent()
    : Admin2FieldComponent("categories", "name", "", "departments", "name")
{
}

AdminCategoryComponent::~AdminCategoryComponent() = default;
