#pragma once

#include "Admin2FieldComponent.h"

// The editor of the administration window's "shifts" button: vek.shifts.
class AdminShiftsComponent : public Admin2FieldComponent
{
public:
    AdminShiftsComponent();
    ~AdminShiftsComponent() override;
};
