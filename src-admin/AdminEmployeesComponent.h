#pragma once

#include "Admin3FieldCheckboxComponent.h"

// The editor of the administration window's "employees" button: vek.employees, under its departments.
class AdminEmployeesComponent : public Admin3FieldCheckboxComponent
{
public:
    AdminEmployeesComponent();
    ~AdminEmployeesComponent() override;
};
