#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/Errors.h"

namespace {

TEST(IoErrorText, NamesTheWellKnownCodesAndNumbersTheRest) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {2, "File not found"},
      {3, "Invalid filename"},
      {4, "Too many open files"},
      {5, "File access denied"},
      {100, "Read beyond end of file"},
      {101, "Disk full"},
      {1, "I/O error 1"},
      {32, "I/O error 32"},
      {103, "I/O error 103"},
      {-7, "I/O error -7"},
  };
  for (const auto& c : cases) EXPECT_EQ(rt::IoErrorText(c.code), c.text) << "code " << c.code;
}

TEST(CheckIo, RaisesTheInputOutputErrorWithItsCodeAndText) {
  EXPECT_NO_THROW(rt::CheckIo(0));
  for (int code : {2, 3, 5, 101, 32}) {
    try {
      rt::CheckIo(code);
      ADD_FAILURE() << "no error for code " << code;
    } catch (const rt::EInOutError& e) {
      EXPECT_EQ(e.ErrorCode, code);
      EXPECT_EQ(e.Message(), rt::IoErrorText(code));
      EXPECT_STREQ(e.what(), rt::IoErrorText(code).c_str());
    }
  }
}

TEST(Exceptions, CarryTheMessagesTheUserSees) {
  // The loader's own message replaces the code's text.
  rt::EInOutError load(2, "CDSDK.DLL could not be loaded");
  EXPECT_EQ(load.ErrorCode, 2);
  EXPECT_EQ(rt::ExceptionMessage(load), "CDSDK.DLL could not be loaded");

  try {
    rt::AssertionFailure("CDAPI", 212);
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.Message(), "Assertion failure (CDAPI, line 212)");
    EXPECT_NE(dynamic_cast<const rt::EAssertionFailed*>(&e), nullptr);
  }
  try {
    rt::ListIndexError(-1);
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
    EXPECT_NE(dynamic_cast<const rt::EListError*>(&e), nullptr);
  }
  EXPECT_EQ(rt::ExceptionMessage(std::runtime_error("from the library")), "from the library");
}

}  // namespace
