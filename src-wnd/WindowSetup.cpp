#include "WindowSetup.h"

#include "Brand.h"
#include "Cfg.h"
#include "VekApp.h"

void finish_window_setup(juce::DocumentWindow& window, const std::string& key)
{
    window.setUsingNativeTitleBar(true);
    window.setResizable(true, true);
    window.setDropShadowEnabled(true);

    const juce::Image icon = get_icon_image();
    window.setIcon(icon);
    if (auto* peer = window.getPeer())
        peer->setIcon(icon);

    Cfg* cfg = vek().cfg.get();
    const juce::String name(key);
    if (cfg != nullptr && cfg->containsKey(name))
        window.restoreWindowStateFromString(cfg->getValue(name));

    window.setVisible(true);
}

void save_window_state(juce::DocumentWindow& window, const std::string& key)
{
    // Called from destructors, which must not throw when the application is already gone.
    auto* app = dynamic_cast<VekApplication*>(juce::JUCEApplicationBase::getInstance());
    if (app != nullptr && app->cfg != nullptr)
        app->cfg->setValue(juce::String(key), window.getWindowStateAsString());
}
