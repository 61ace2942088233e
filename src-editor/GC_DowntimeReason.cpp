#include "GC_DowntimeReason.h"

#include "VekApp.h"

GC_DowntimeReason::GC_DowntimeReason(const std::string& caption, EditorComponent* owner_)
    : GroupboxWithCombobox(caption, owner_)
{
    is_new_choice(Choice::all);
    const VekApplication& app = vek();
    repopulate(named_records(app.downtime_reason_ids, app.downtime_reasons), false);
    select_single_item();
}

void GC_DowntimeReason::populate_for_department(std::uint64_t department_id)
{
    if (department_id == 0 || ! is_new_choice(Choice::department, department_id))
        return;
    const VekApplication& app = vek();
    repopulate(department_records(app.downtime_reason_ids, app.downtime_reasons, department_id), true);
}

void GC_DowntimeReason::comboBoxChanged(juce::ComboBox* box)
{
    if (is_department_box(box))
        populate_for_department(department_changed("downtime reasons"));
}
