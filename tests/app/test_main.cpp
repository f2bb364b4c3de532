// Runs every registered test class of the offscreen program tests; the exit status counts the
// failed test functions.
#include <QApplication>
#include <QTest>
#include <vector>

#include "tests/app/app_tests.h"

namespace orv::test {

namespace {
std::vector<AppTestFactory>& registry() {
    static std::vector<AppTestFactory> list;
    return list;
}
}  // namespace

bool registerAppTest(AppTestFactory make) {
    registry().push_back(std::move(make));
    return true;
}

}  // namespace orv::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    int failed = 0;
    for (const auto& make : orv::test::registry()) {
        std::unique_ptr<QObject> test = make();
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed;
}
