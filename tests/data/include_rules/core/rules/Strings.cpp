// The core may use the core only.
#include "common/Numbers.h"
#include "base/Text.h"
#include "rules/Strings.h"
