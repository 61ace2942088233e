#pragma once

#include "Admin2FieldComponent.h"

// The editor of the administration window's "equipment" button: vek.motors, under its process.
class AdminEquipmentComponent : public Admin2FieldComponent
{
public:
    AdminEquipmentComponent();
    ~AdminEquipmentComponent() override;
};
