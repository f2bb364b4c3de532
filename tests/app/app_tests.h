// The offscreen tests of the desktop program are one executable: each file registers its
// test classes here and test_main.cpp runs them all under one QApplication.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace orv::test {

using AppTestFactory = std::function<std::unique_ptr<QObject>()>;
bool registerAppTest(AppTestFactory make);

}  // namespace orv::test

#define ORV_APP_TEST(Class)                                \
    [[maybe_unused]] static const bool orvAppTest##Class = \
        ::orv::test::registerAppTest([] { return std::unique_ptr<QObject>(new Class); })
