#include "widgets/Advspin.h"
#include "base/Text.h"
  #  include "app/Main.h"
