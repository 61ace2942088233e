#include "GC_CostCenter.h"

#include "EditorComponent.h"
#include "VekApp.h"

GC_CostCenter::GC_CostCenter(const std::string& caption, EditorComponent* owner_)
    : GroupboxWithCombobox(caption, owner_)
{
    combobox.addListener(this);
}

void GC_CostCenter::populate_all()
{
    if (! is_new_choice(Choice::all))
        return;
    const VekApplication& app = vek();
    repopulate(named_records(app.cost_center_ids, app.cost_centers), false);
}

void GC_CostCenter::comboBoxChanged(juce::ComboBox* box)
{
    if (box != &combobox)
        return;

    const std::uint64_t cost_center = get_dbid();
    if (cost_center != 0)
        owner->system.populate_for_cost_center(cost_center);
    else
        owner->system.populate_all();
    owner->system.list_equipment_of_choice();
}
