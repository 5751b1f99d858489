#pragma once
// The platform's named event sounds that the docking menus play ("MenuPopup", "MenuCommand").

#include "platform/seam.h"

#include <string>

// Plays one of the platform's named event sounds; an empty name stops a sound still playing.
// This desktop defines no sounds for menus, so the default plays nothing.
void PlayEventSound(const std::string& name);
Seam<void(const std::string&)>& EventSoundSeam();
