#include "docking/event_sounds.h"

Seam<void(const std::string&)>& EventSoundSeam()
{
    static Seam<void(const std::string&)> seam([](const std::string&) {});
    return seam;
}

void PlayEventSound(const std::string& name)
{
    EventSoundSeam()(name);
}
