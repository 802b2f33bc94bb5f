#pragma once
#include "rules/Proxyusers.h"
