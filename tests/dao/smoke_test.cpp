#include <gtest/gtest.h>
#include "dao/database.h"
TEST(Smoke, Compiles) { SUCCEED(); }
