#include "AlternateSignalStack.h"

#include <sys/mman.h>

AlternateSignalStack::AlternateSignalStack() noexcept
{
    memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
    {
        memory = nullptr;
        return;
    }
    stack_t stack{};
    stack.ss_sp = memory;
    stack.ss_size = size;
    installed = ::sigaltstack(&stack, &previous) == 0;
}

AlternateSignalStack::~AlternateSignalStack()
{
    // The stack this thread had before (the sanitizer's, or none) comes back before ours goes.
    if (installed)
    {
        if ((previous.ss_flags & SS_DISABLE) != 0)
        {
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            ::sigaltstack(&off, nullptr);
        }
        else
        {
            ::sigaltstack(&previous, nullptr);
        }
    }
    if (memory != nullptr)
        ::munmap(memory, size);
}
