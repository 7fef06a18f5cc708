// The window tests are one program, gui_tests: every tests/gui/test_*.cpp is
// one Qt Test class that registers itself under its file's name, and ctest
// runs each as an entry of its own (see tests/CMakeLists.txt):
//
//   gui_tests test_app_layout [Qt Test arguments]
//
// A file ends with QTEST_MAIN(Class), as a Qt Test program of its own would:
// this header is included first into every file of gui_tests (see
// tests/CMakeLists.txt), and there QTEST_MAIN registers the class under the
// file's name instead of defining main(). A file that is also started as a
// helper process of its own gives its own main, TESSALY_GUI_TEST_MAIN(function),
// and starts itself again with ownTestArguments(...).
//
// All files are one program: what a file defines besides its test class stays
// inside `namespace { }`, and each test class has a name of its own.
#pragma once

#include <QApplication>
#include <QStringList>
#include <QtTest>
#include <map>
#include <string>

namespace tsly::test {

// main() of one test: argv[0] is the test's name, the rest its arguments.
using GuiTestMain = int (*)(int argc, char** argv);

std::map<std::string, GuiTestMain>& guiTests();
// The name the program was started with ("test_app_layout").
const std::string& guiTestName();

inline bool registerGuiTest(const char* file, GuiTestMain main) {
  std::string name = file;
  name = name.substr(name.find_last_of('/') + 1);
  name = name.substr(0, name.rfind('.'));
  guiTests()[name] = main;
  return true;
}

// What QTEST_MAIN does: a widget application at 96 dpi, then the test class.
template <class Test>
int runGuiTest(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  Test test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

// The arguments that start this test again in a process of its own.
inline QStringList ownTestArguments(const QStringList& arguments) {
  return QStringList{QString::fromStdString(guiTestName())} + arguments;
}

}  // namespace tsly::test

#define TESSALY_GUI_TEST_MAIN(main) \
  static const bool tessalyGuiTestRegistered = ::tsly::test::registerGuiTest(__FILE__, main);
#define TESSALY_GUI_TEST(Class) TESSALY_GUI_TEST_MAIN(::tsly::test::runGuiTest<Class>)

// QTEST_MAIN as the files write it (qtest.h is included above, once).
#undef QTEST_MAIN
#define QTEST_MAIN(Class) TESSALY_GUI_TEST(Class)
