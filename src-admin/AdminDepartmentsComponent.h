#pragma once

#include "Admin2FieldComponent.h"

// The editor of the administration window's "departments" button: vek.departments.
class AdminDepartmentsComponent : public Admin2FieldComponent
{
public:
    AdminDepartmentsComponent();
    ~AdminDepartmentsComponent() override;
};
