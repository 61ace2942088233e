#include "AdminEquipmentComponent.h"

AdminEquipmentComponent::AdminEquipmentComponent()
    : Admin2FieldComponent("motors", "mid", "description", "process", "mid, description")
{
}

AdminEquipmentComponent::~AdminEquipmentComponent() = default;
