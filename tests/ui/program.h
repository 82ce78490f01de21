#pragma once

#include "commands/main_commands.h"
#include "platform/qt_platform.h"
#include "ui/main_window.h"
#include "ui/windows.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace grondel::testing {

inline void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The real program, windows and all; only the file dialogs answer from a script, and messages
// are collected instead of waiting for a click.
struct Program : QtPlatform {
    Program() {
        connectWindows(*this, commands, window);
        window.show();
    }
    void showError(const QString& text, const QString& = {}) override { errors << text; }
    bool confirm(const QString& text) override {
        errors << "ask " + text;
        return !replies.isEmpty() && replies.takeFirst();
    }
    QString openFileName(const QString&, const QString&) override { return saveFileName({}); }
    QString saveFileName(const QString&, const QString& = {}, const QString& = {}) override {
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }

    QStringList answers;
    QStringList errors;
    QList<bool> replies;
    MainCommands commands{*this, "/opt/grondel/bin"};
    MainWindow window{commands};
};

// The converter's standard output for arguments; it must succeed.
inline QByteArray convert(const QStringList& arguments) {
    QProcess converter;
    converter.start(GRONDEL_CONVERT, arguments);
    EXPECT_TRUE(converter.waitForFinished(30000));
    EXPECT_EQ(converter.exitCode(), 0) << converter.readAllStandardError().toStdString();
    return converter.readAllStandardOutput();
}

} // namespace grondel::testing
