// A feature file: the base, the core and its own folder are fine; the main window and another feature are not,
// whether written with quotes or angle brackets.
#include "access/Editor.h"

#include "app/Main.h"
#include "base/Text.h"
#include "cacheskip/CacheSkipEditor.h"
#include "rules/Strings.h"
#include "ui_Editor.h"
#include "widgets/Advspin.h"
#include <app/Main.h>

#include <QString>
