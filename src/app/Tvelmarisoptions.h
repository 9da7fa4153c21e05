#pragma once
// The settings record lives with the other option records.
#include "options/Tvelmarisoptions.h"
