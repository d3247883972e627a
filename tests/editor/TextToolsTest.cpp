#include "TextCase.h"

#include <gtest/gtest.h>

namespace {

TEST(TextCase, CapitalsAreOneByteForOneAndOnlyForLettersWithACapital) {
    QByteArray all(256, 0);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    const QByteArray up = capitaliseBytes(all);
    ASSERT_EQ(up.size(), 256);
    for (int i = 0; i < 256; ++i) {
        const bool hasCapital = (i >= 'a' && i <= 'z') || (i >= 0xE0 && i <= 0xFE && i != 0xF7);
        EXPECT_EQ(uchar(up[i]), hasCapital ? i - 32 : i) << i;
    }
    EXPECT_EQ(ReverseCaps("aBc1-Z"), "AbC1-z");
    EXPECT_EQ(ReverseCaps("\xe9\xc9"), "\xe9\xc9");
}

} // namespace
