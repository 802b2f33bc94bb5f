// A lower core folder may not use a higher one, nor Qt, nor climb out of the core's root.
#include "config/IniFile.h"
#include <common/Error.h>
#include <rules/Strings.h>
#include <QString>
#include "../access/Editor.h"
#include "core/common/Numbers.h"

#include <string>
