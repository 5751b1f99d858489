#pragma once
// The registry of component classes that window designs may name. Folders register their
// classes with an explicit call at start-up (RegisterClass); the framework's own are registered
// by RegisterFrameworkClasses, which the design reader calls before reading.

#include "framework/exceptions.h"
#include "framework/object.h"

#include <initializer_list>
#include <string_view>

PICTAVO_EXCEPTION(EFilerError, EStreamError);
PICTAVO_EXCEPTION(EClassNotFound, EFilerError);

// Registers a class; registering it again does nothing. Another class of the same name raises
// "A class named %s already exists".
void RegisterClass(const TMetaClass* meta);
void RegisterClasses(std::initializer_list<const TMetaClass*> metas);
void UnRegisterClass(const TMetaClass* meta);
// The class of that name (compared without regard to case), or null.
const TMetaClass* GetClass(std::string_view name);
// The class of that name, or "Class %s not found".
const TMetaClass* FindClass(std::string_view name);
// The framework's component classes: forms, standard and extended controls, menus, timers.
void RegisterFrameworkClasses();
