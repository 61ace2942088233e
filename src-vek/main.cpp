#include "CommandLine.h"
#include "VekApp.h"

#include <iostream>

JUCE_CREATE_APPLICATION_DEFINE(VekApplication)

int main(int argc, char* argv[])
{
    if (const auto code = CommandLine::answer({argv, argv + argc}, std::cout))
        return *code;
    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main(argc, const_cast<const char**>(argv));
}
