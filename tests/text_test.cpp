#include <gtest/gtest.h>
TEST(Text, Placeholder) { SUCCEED(); }
