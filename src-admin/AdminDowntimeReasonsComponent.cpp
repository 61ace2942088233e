#include "AdminDowntimeReasonsComponent.h"

AdminDowntimeReasonsComponent::AdminDowntimeReasonsComponent()
    : Admin2FieldComponent("downtime_reasons", "name", "", "departments", "name")
{
}

AdminDowntimeReasonsComponent::~AdminDowntimeReasonsComponent() = default;
