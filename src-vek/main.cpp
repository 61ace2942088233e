#include "VekApp.h"

START_JUCE_APPLICATION(VekApplication)
