#include "commands/Record.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "commands/RandomGenerator.h"

TEST(Record, EmptyFieldsKeepTheirPlaceAndMissingOnesReadEmpty) {
  const Record::Reader r("1\x7f\x7f" "abc\x7f");
  EXPECT_EQ(r.size(), 4U);
  EXPECT_EQ(r.text(0), "1");
  EXPECT_EQ(r.text(1), "");
  EXPECT_EQ(r.text(2), "abc");
  EXPECT_EQ(r.text(3), "");
  EXPECT_EQ(r.text(99), "");
  EXPECT_EQ(r.number(99), 0);
  EXPECT_FALSE(r.flag(99));
  EXPECT_EQ(Record::Reader("").size(), 1U);
}

// Catches a reader that splits a whole hostile line into millions of fields, and one that
// lets the last kept field run on to the end of the line.
TEST(Record, ALineOfSeparatorsKeepsAtMostTheFieldsAGroupHas) {
  const std::string hostile(10'000'000, Record::separator);
  const Record::Reader r(hostile);
  EXPECT_EQ(r.size(), Record::Reader::maxFields);
  EXPECT_EQ(r.text(Record::Reader::maxFields - 1), "");
  std::string line(Record::Reader::maxFields - 1, Record::separator);
  line += "7\x7f" "8";
  EXPECT_EQ(Record::Reader(line).text(Record::Reader::maxFields - 1), "7");
  EXPECT_EQ(Record::Reader(line).number(Record::Reader::maxFields), 0);
}

TEST(Record, NumbersReadLikeAtoiAndSaturate) {
  const Record::Reader r(" 42x\x7f-7\x7fnope\x7f" "99999999999\x7f" "70000\x7f-70000\x7f" "2");
  EXPECT_EQ(r.number(0), 42);
  EXPECT_EQ(r.number(1), -7);
  EXPECT_EQ(r.number(2), 0);
  EXPECT_EQ(r.number(3), 2147483647);
  EXPECT_EQ(r.shortNumber(4), 32767);
  EXPECT_EQ(r.shortNumber(5), -32768);
  EXPECT_TRUE(r.flag(6));
  EXPECT_TRUE(r.flag(1));
}

TEST(Record, WriterPutsOneSeparatorBetweenFields) {
  std::string line = "5\x7f";
  Record::Writer(line).flag(true).number(-2147483648LL).text("").text("a b").number(0);
  EXPECT_EQ(line, "5\x7f" "1\x7f-2147483648\x7f\x7f" "a b\x7f" "0");
}

TEST(RandomGenerator, FollowsTheLinearCongruentialSequence) {
  RandomGenerator::seed(1);
  // The classic sequence of this generator from seed 1.
  EXPECT_EQ(RandomGenerator::next(), 41);
  EXPECT_EQ(RandomGenerator::next(), 18467);
  EXPECT_EQ(RandomGenerator::next(), 6334);
  RandomGenerator::seed(0xFFFFFFFFU);
  for (int i = 0; i < 10000; ++i) {
    const int v = RandomGenerator::next();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, RandomGenerator::maxValue);
  }
}

// Catches a changed formula for spreads one value covers (same numbers, same order), an upper
// bound that comes out, negative delays, and a wide spread never reaching above 32,767.
TEST(RandomGenerator, DelaysBetweenBounds) {
  RandomGenerator::seed(1);
  EXPECT_EQ(RandomGenerator::between(5000, 2000), 2041U);
  EXPECT_EQ(RandomGenerator::between(2000, 5000), 2467U);
  std::uint32_t low = 5000;
  std::uint32_t high = 0;
  std::uint32_t wide = 0;
  for (int i = 0; i < 30000; ++i) {
    low = std::min(low, RandomGenerator::between(5000, 2000));
    high = std::max(high, RandomGenerator::between(5000, 2000));
    if (i < 3000) wide = std::max(wide, RandomGenerator::between(0, 100000));
  }
  EXPECT_EQ(low, 2000U);
  EXPECT_EQ(high, 4999U);
  EXPECT_GT(wide, 95000U);
  EXPECT_LT(wide, 100000U);
  EXPECT_EQ(RandomGenerator::between(1000, 1000), 1000U);
  EXPECT_LT(RandomGenerator::between(-300, 40), 40U);
  EXPECT_EQ(RandomGenerator::between(-300, -40), 0U);
}
