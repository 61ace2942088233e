#pragma once

#include "Admin2FieldComponent.h"

// The editor of the administration window's "systems" button: vek.process, under its cost center.
class AdminSystemComponent : public Admin2FieldComponent
{
public:
    AdminSystemComponent();
    ~AdminSystemComponent() override;
};
