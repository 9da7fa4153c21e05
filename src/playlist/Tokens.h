#pragma once
// The delimiter scanner is a shared text helper (the .b4s reader and the
// skin scripts use it); it lives in text/.
#include "text/Tokens.h"
