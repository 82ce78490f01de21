#pragma once

#include "platform/platform.h"

#include <string>

#include <QStringList>

namespace grondel::testing {

// A platform without a screen. Its file dialogs answer from a script (an empty text, or none
// left, is a cancel), and every request the program makes goes into one log, so a test states
// what a command did in one line. Its preview loads only the listed files; any other path fails
// and keeps the current picture.
class FakePlatform : public Platform, public PictureArea {
public:
    // "error TEXT", with " (REASON)" when there is one.
    void showError(const QString& text, const QString& reason = {}) override {
        log << "error " + text + (reason.isEmpty() ? "" : " (" + reason + ")");
    }
    QString openFileName(const QString& folder, const QString& pattern) override {
        return answer("open " + folder + " " + pattern);
    }
    // "save PATTERN", with the title in quotes and the suggested path after "at" when given.
    QString saveFileName(const QString& pattern, const QString& title = {},
                         const QString& suggested = {}) override {
        return answer("save " + pattern + (title.isEmpty() ? "" : " \"" + title + "\"") +
                      (suggested.isEmpty() ? "" : " at " + suggested));
    }
    void showWindow(Window window) override {
        log << QStringList{"show size", "show help", "show about"}.value(int(window));
    }
    void quit() override { log << "quit"; }
    PictureArea& picture() override { return *this; }

    bool load(const QString& path, QString* error = nullptr) override {
        log << "load " + path;
        if (files.contains(path))
            picture_ = int(files.indexOf(path));
        else if (error)
            *error = "no such picture";
        return files.contains(path);
    }
    bool hasPicture() const override { return picture_ >= 0; }
    // Red counts columns, green rows, and blue tells the files apart.
    Cell pixel(int x, int y) const override { return packColour(x, y, picture_); }

    // The log so far as "entry; entry", emptied for the next step.
    std::string takeLog() {
        const std::string text = log.join("; ").toStdString();
        log.clear();
        return text;
    }

    QStringList files; // the paths that load as pictures
    QStringList answers;
    QStringList log;

private:
    QString answer(const QString& request) {
        log << request;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }

    int picture_ = -1;
};

} // namespace grondel::testing
