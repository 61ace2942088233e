#pragma once

#include "Admin2FieldComponent.h"

// The editor of the administration window's "categories" button: vek.categories, under its departments.
class AdminCategoryComponent : public Admin2FieldComponent
{
public:
    AdminCategoryComponent();
    ~AdminCategoryComponent() override;
};
