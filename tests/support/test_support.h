#pragma once
// Helpers shared by the tests: exception checks with exact texts, sample-file paths.

#include "framework/exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

namespace testing_support {

// Path of a file of the public sample set (testdata/...).
std::string testdataPath(const std::string& relative);
// Path of a file checked in under tests/data/.
std::string dataPath(const std::string& relative);

} // namespace testing_support

// Checks that `statement` raises exactly the exception type `Type` (or one derived from it)
// carrying exactly the message `text`.
#define EXPECT_RAISES(statement, Type, text)                                                    \
    do {                                                                                        \
        bool raisedExpected_ = false;                                                           \
        try {                                                                                   \
            statement;                                                                          \
        } catch (const Type& error_) {                                                          \
            raisedExpected_ = true;                                                             \
            EXPECT_EQ(std::string(error_.Message()), std::string(text));                        \
        } catch (const std::exception& other_) {                                                \
            ADD_FAILURE() << "expected " #Type ", got " << typeid(other_).name() << ": "        \
                          << other_.what();                                                     \
            raisedExpected_ = true;                                                             \
        }                                                                                       \
        if (!raisedExpected_)                                                                   \
            ADD_FAILURE() << "expected " #Type " from " #statement ", nothing was raised";      \
    } while (false)
