#pragma once

#include "Admin2FieldComponent.h"

// The editor of the administration window's "roles" button: vek.roles.
class AdminRolesComponent : public Admin2FieldComponent
{
public:
    AdminRolesComponent();
    ~AdminRolesComponent() override;
};
