// OID helpers: copy and free, the comparison of leading sub-identifiers, and the freeing of
// variable bindings by value type.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "util/Oid.h"

namespace {

using util::ObjectIdentifier;

ObjectIdentifier View(std::vector<std::uint32_t>& ids) {
  return ObjectIdentifier{static_cast<std::uint32_t>(ids.size()), ids.data()};
}

TEST(Oid, CopyIsIndependentAndFreeEmptiesTheCopy) {
  std::vector<std::uint32_t> ids{1, 3, 6, 1, 4, 1, 311};
  const ObjectIdentifier source = View(ids);
  ObjectIdentifier copy;
  ASSERT_EQ(util::OidCopy(&copy, &source), 1);
  EXPECT_EQ(util::OidLastError(), 0u);
  ASSERT_EQ(copy.idLength, 7u);
  ASSERT_NE(copy.ids, ids.data());
  EXPECT_EQ(0, std::memcmp(copy.ids, ids.data(), 7 * sizeof(std::uint32_t)));
  copy.ids[6] = 99;  // the copy has its own array
  EXPECT_EQ(ids[6], 311u);
  util::OidFree(&copy);
  EXPECT_EQ(copy.idLength, 0u);
  EXPECT_EQ(copy.ids, nullptr);
  EXPECT_EQ(source.idLength, 7u);
  EXPECT_EQ(ids, (std::vector<std::uint32_t>{1, 3, 6, 1, 4, 1, 311}));

  // An empty identifier copies too (and is freed like any other).
  const ObjectIdentifier empty;
  ObjectIdentifier emptyCopy{5, nullptr};
  ASSERT_EQ(util::OidCopy(&emptyCopy, &empty), 1);
  EXPECT_EQ(emptyCopy.idLength, 0u);
  util::OidFree(&emptyCopy);
}

TEST(Oid, CopyRefusesAnIdentifierWithoutItsArray) {
  const ObjectIdentifier broken{3, nullptr};
  ObjectIdentifier copy{4, nullptr};
  EXPECT_EQ(util::OidCopy(&copy, &broken), 0);
  EXPECT_EQ(util::OidLastError(), 87u);
  EXPECT_EQ(copy.idLength, 4u);
  EXPECT_EQ(copy.ids, nullptr);
}

TEST(Oid, CompareLookAtTheLeadingSubIdentifiersOnly) {
  std::vector<std::uint32_t> a{1, 3, 6, 1};
  std::vector<std::uint32_t> b{1, 3, 6, 2};
  std::vector<std::uint32_t> shortOne{1, 3};
  std::vector<std::uint32_t> longer{1, 3, 6};
  std::vector<std::uint32_t> big{0xFFFFFFFF};
  std::vector<std::uint32_t> small{1};
  const ObjectIdentifier ia = View(a), ib = View(b), is = View(shortOne), il = View(longer);
  const ObjectIdentifier ibig = View(big), ismall = View(small);
  EXPECT_EQ(util::OidCompareN(&ia, &ib, 3), 0);
  EXPECT_EQ(util::OidCompareN(&ia, &ib, 4), -1);
  EXPECT_EQ(util::OidCompareN(&ib, &ia, 4), 1);
  EXPECT_EQ(util::OidCompareN(&is, &il, 10), 0);  // counts differ: still equal
  EXPECT_EQ(util::OidCompareN(&ia, &ib, 0), 0);
  // The difference is taken modulo 2^32: 0xFFFFFFFF - 1 reads as -2.
  EXPECT_EQ(util::OidCompareN(&ibig, &ismall, 1), -2);
}

std::uint8_t* OwnedBytes(const char* text) {
  const std::size_t size = std::strlen(text);
  auto* bytes = static_cast<std::uint8_t*>(std::calloc(size, 1));
  std::memcpy(bytes, text, size);
  return bytes;
}

TEST(Oid, VarBindFreeReleasesByTypeAndLeavesNull) {
  std::vector<std::uint32_t> name{1, 3, 6, 1, 2, 1, 1, 5, 0};
  const ObjectIdentifier nameView = View(name);

  // An object-identifier value: both identifiers are freed.
  util::VariableBinding oidBinding;
  ASSERT_EQ(util::OidCopy(&oidBinding.name, &nameView), 1);
  oidBinding.value.asnType = util::kAsnObjectIdentifier;
  ASSERT_EQ(util::OidCopy(&oidBinding.value.asnValue.object, &nameView), 1);
  util::VarBindFree(&oidBinding);
  EXPECT_EQ(oidBinding.name.ids, nullptr);
  EXPECT_EQ(oidBinding.name.idLength, 0u);
  EXPECT_EQ(oidBinding.value.asnValue.object.ids, nullptr);
  EXPECT_EQ(oidBinding.value.asnType, util::kAsnNull);

  // Owned bytes of every string-like type are freed (the sanitizers see a leak otherwise).
  for (std::uint8_t type : {util::kAsnOctetString, util::kAsnIpAddress, util::kAsnOpaque, util::kAsnSequence}) {
    util::VariableBinding binding;
    ASSERT_EQ(util::OidCopy(&binding.name, &nameView), 1);
    binding.value.asnType = type;
    binding.value.asnValue.string = util::OctetString{OwnedBytes("station"), 7, 1};
    util::VarBindFree(&binding);
    EXPECT_EQ(binding.value.asnType, util::kAsnNull);
    EXPECT_EQ(binding.value.asnValue.string.stream, nullptr);
  }

  // Bytes the binding does not own are left alone; the type still becomes NULL.
  std::uint8_t text[] = "public";
  util::VariableBinding borrowed;
  borrowed.value.asnType = util::kAsnOctetString;
  borrowed.value.asnValue.string = util::OctetString{text, 6, 0};
  util::VarBindFree(&borrowed);
  EXPECT_EQ(borrowed.value.asnType, util::kAsnNull);
  EXPECT_EQ(borrowed.value.asnValue.string.stream, text);
  EXPECT_STREQ(reinterpret_cast<char*>(text), "public");

  // Other types free nothing but are still marked NULL.
  util::VariableBinding number;
  number.value.asnType = 0x02;
  number.value.asnValue.number = 42;
  util::VarBindFree(&number);
  EXPECT_EQ(number.value.asnType, util::kAsnNull);
}

}  // namespace
