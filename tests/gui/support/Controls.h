#pragma once
// Finding and using a window's controls by object name, as a person would:
// a click at the button's centre, select-all then typing into an edit.

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tessarin::test {

template <class W = QAbstractButton>
W* Child(QWidget* window, const char* name) {
    auto* w = window->findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s in %s", name, qPrintable(window->objectName()));
    return w;
}

inline void Click(QWidget* window, const char* name) {
    auto* button = Child(window, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

inline void Type(QWidget* window, const char* name, const QString& text) {
    auto* edit = Child<QLineEdit>(window, name);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace tessarin::test
