#include "GC_Status.h"

#include "EditorComponent.h"
#include "VekApp.h"

GC_Status::GC_Status(const std::string& caption, EditorComponent* owner_) : GroupboxWithCombobox(caption, owner_)
{
    const VekApplication& app = vek();
    repopulate(named_records(app.status_ids, app.statuses), false);
    select_single_item();
    combobox.addListener(this);
}

void GC_Status::comboBoxChanged(juce::ComboBox* box)
{
    if (box != &combobox)
        return;

    juce::Label& completion = owner->completion_date.label;
    if (combobox.getText() == "open")
    {
        completion.setText({}, juce::dontSendNotification);
        completion.setTooltip({});
        owner->epoch_end = 0;
    }
    else if (owner->epoch_end == 0 || owner->epoch_end == 1)
    {
        // 1 stands for the moment of saving.
        owner->epoch_end = 1;
        completion.setText("today", juce::dontSendNotification);
    }
    owner->validate_fields();
}
