#pragma once

#include <csignal>
#include <cstddef>

// A stack of its own for the crash handler on the thread that makes this object, for as long as
// it lives: a stack overflow on a worker thread then still leaves its signal line and trace
// instead of a silent second fault. Each thread needs its own; the message thread's is set up
// with the crash handlers.
class AlternateSignalStack
{
public:
    AlternateSignalStack() noexcept;
    ~AlternateSignalStack();
    AlternateSignalStack(const AlternateSignalStack&) = delete;
    AlternateSignalStack& operator=(const AlternateSignalStack&) = delete;

    static constexpr std::size_t size = 256 * 1024;

private:
    void* memory = nullptr;
    stack_t previous{};
    bool installed = false;
};
