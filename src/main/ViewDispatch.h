#pragma once
// Which window or program opens a file, by its extension's category.

#include "main/Extensions.h"

#include <QString>

enum class TViewAction { None, Image, Text, Sound, Module, Music, Program, Help, HTML };

// The action for a file named `name`: its upper-cased extension looked up in the
// categories in their order; a member of an archive tries music before module, a file on
// disk module before music. "Database Files" and unknown extensions give None.
TViewAction FindViewAction(const TExtensionCategories& categories, const QString& name,
                           bool archiveMember);
