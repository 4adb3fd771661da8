#include <gtest/gtest.h>
#include "archive/memory.h"
TEST(Memory, BlocksRememberTheirSize)
{
    void *p = mem_alloc(10);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(mem_size(p), 10u);
    mem_free(p);
}
