#pragma once
// Window designs: the declarative description of a form (or any root component) that is read
// when the form is made. A design is a JSON document:
//
//   {
//     "class": "TForm_Viewer",              the root's class (or one of its ancestors)
//     "name": "Form_Viewer",                the root's name ("_1", "_2"... added when a sibling
//                                           already has it)
//     "properties": {                       property name -> value, see below
//       "Caption": "Pictavo 2.0",
//       "Width": 592, "Height": 478,
//       "Position": "poScreenCenter",       enumerations by identifier
//       "ShowHint": true,                   booleans
//       "Color": "clBtnFace",               integers: numbers, or colour / cursor names
//       "Font.Height": -11,                 a sub-object's property by a dotted path ...
//       "Font": {"Name": "MS Sans Serif"},  ... or as an object of its own
//       "BorderIcons": ["biSystemMenu"],    sets: arrays of identifiers
//       "Items": ["one", "two"],            string lists: arrays of strings
//       "Menu": "MainMenu",                 component references by name, resolved once the
//                                           whole design is read ("Form.Name" names a
//                                           component of another form; null: none)
//       "OnClose": "FormClose",             events: the name of a handler the root registered
//       "Picture.Data": {"base64": "..."}   binary data: exactly the bytes the stored form
//                                           defines, handed to the reader that the object's
//                                           DeclareStoredData declares under that name
//     },
//     "components": [                       owned by the root; nesting is parenthood: controls
//       {"class": "TPanel", "name": "Panel1",   go on the control they are nested in, menu items
//        "properties": {...},                  in their menu or item
//        "components": [...]}
//     ]
//   }
//
// Properties of one object are set in the order of its class's property table (so a design's
// key order does not matter); each component gets its parent before its properties. After the
// whole design is read the references are resolved, then every component's Loaded runs in
// creation order, the root first.
//
// Errors raise EFilerError (EClassNotFound for an unknown class) naming the component and the
// property: "Error reading Panel1.Captoin: Property Captoin does not exist".

#include "framework/class_registry.h"
#include "framework/component.h"

#include <any>
#include <functional>
#include <string>
#include <string_view>

// Finds an event handler by name for the design being read; null when there is none.
using HandlerLookup = std::function<const std::any*(std::string_view name)>;

// Reads a design into root. `design` is a design name, read from the Qt resource
// ":/designs/<name>.json", or a file path (anything with "/" or ending ".json").
void ReadDesign(TComponent& root, const std::string& design, const HandlerLookup& handlers);
// Reads a design from its JSON text; `source` names it in error messages.
void ReadDesignText(TComponent& root, const std::string& json, const HandlerLookup& handlers,
                    const std::string& source);
// Where a design name or path is read from.
std::string DesignPath(const std::string& design);
