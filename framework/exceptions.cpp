#include "framework/exceptions.h"

namespace {
constexpr auto outOfResources = "Out of system resources";
}

void Abort()
{
    throw EAbort();
}

void OutOfResources(const std::string& platformText)
{
    throw EOutOfResources(platformText.empty() ? std::string(outOfResources) : platformText);
}
