// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

// Answers the next message box that opens with OK and keeps its text, so a
// test can press a button whose handler waits for the box.
class MessageBoxCatcher final : public QObject {
public:
    explicit MessageBoxCatcher(std::function<void(const QString &)> onCaught = {})
        : m_onCaught(std::move(onCaught))
    {
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            text = box->text();
            title = box->windowTitle();
            plainText = box->textFormat() == Qt::PlainText;
            ++caught;
            if (m_onCaught)
                m_onCaught(text);
            box->button(QMessageBox::Ok)->click();
        });
        m_poll.start();
    }

    QString text;
    QString title;
    bool plainText = false;
    int caught = 0;

private:
    std::function<void(const QString &)> m_onCaught;
    QTimer m_poll;
};

inline QString accessibleName(QWidget *widget)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// Rows of controls: a control by its object name, where it should be, shown
// or not, and its caption; a null caption is not checked.
inline void addControlColumns()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("visible");
}

inline void compareControl(const QWidget &window)
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(bool, visible);
    const auto *widget = window.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->isVisibleTo(&window), visible);
    if (caption.isNull())
        return;
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        QCOMPARE(label->text(), caption);
    else if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        QCOMPARE(edit->text(), caption);
    else
        QCOMPARE(qobject_cast<const QAbstractButton *>(widget)->text(), caption);
}

// Rows of a control's object name and the accessible name it should have.
inline void addAccessibleNameColumns()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accessibleName");
}

inline void compareAccessibleName(const QWidget &window)
{
    QFETCH(QString, name);
    QFETCH(QString, accessibleName);
    QCOMPARE(::accessibleName(window.findChild<QWidget *>(name)), accessibleName);
}

// Tab moves the focus through the named controls in turn.
inline void compareTabOrder(const QStringList &names)
{
    for (const QString &name : names) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
    }
}

QWidget *topLevel(const QString &objectName);

// Acts once on the named top-level window as soon as it is visible, from
// inside whatever event loop is running then (a modal display, say).
class WhenShown final : public QObject {
public:
    WhenShown(QString name, std::function<void(QWidget &)> act, QObject *parent = nullptr)
        : QObject(parent)
        , m_name(std::move(name))
        , m_act(std::move(act))
    {
        QObject::connect(&m_poll, &QTimer::timeout, this, [this] {
            QWidget *window = topLevel(m_name);
            if (!window || !window->isVisible())
                return;
            m_poll.stop();
            m_act(*window);
            m_acted = true;
        });
        m_poll.start(5);
    }

    [[nodiscard]] bool hasActed() const { return m_acted; }

private:
    QString m_name;
    std::function<void(QWidget &)> m_act;
    QTimer m_poll;
    bool m_acted = false;
};

inline QWidget *topLevel(const QString &objectName)
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->objectName() == objectName)
            return window;
    }
    return nullptr;
}
