#include "AdminSystemComponent.h"

AdminSystemComponent::AdminSystemComponent()
    : Admin2FieldComponent("process", "name", "", "cost_center", "name")
{
}

AdminSystemComponent::~AdminSystemComponent() = default;
