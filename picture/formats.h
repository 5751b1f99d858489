#pragma once
// Registers every picture format this program reads, in the registry's fixed order. Called
// once by the program at start-up and by test fixtures; calling it again adds nothing.

void RegisterPictureFormats();
