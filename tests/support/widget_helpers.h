// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QString>
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
