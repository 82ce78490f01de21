#pragma once

#include "platform/platform.h"

#include <deque>
#include <map>
#include <vector>

#include <QImage>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace grondel::testing {

// A preview without a screen: "files" are images registered by path. Loading an unknown path
// fails and keeps the current picture, as the real one does.
class FakePicture : public PictureArea {
public:
    static constexpr Cell kBackground = 0;

    void addFile(const QString& path, const QImage& image) { files_[path] = image; }

    bool load(const QString& path, QString* error = nullptr) override {
        loads.push_back(path);
        const auto file = files_.find(path);
        if (file == files_.end()) {
            if (error)
                *error = QStringLiteral("no such picture");
            return false;
        }
        current_ = file->second;
        return true;
    }
    bool hasPicture() const override { return !current_.isNull(); }
    Cell pixel(int x, int y) const override {
        if (!current_.valid(x, y))
            return kBackground;
        const QRgb rgb = current_.pixel(x, y);
        return packColour(qRed(rgb), qGreen(rgb), qBlue(rgb));
    }

    QStringList loads; // every path load() was asked for, in order

private:
    std::map<QString, QImage> files_;
    QImage current_;
};

// A platform whose dialogs answer from queues and which records what the program asked of it.
// A dialog with no queued answer fails the test: the command showed a dialog it should not.
class FakePlatform : public Platform {
public:
    struct OpenRequest {
        QString folder;
        QString pattern;
    };

    void showError(const QString& text) override { errors.push_back(text); }

    QString openFileName(const QString& folder, const QString& pattern) override {
        openRequests.push_back({folder, pattern});
        return next(openAnswers, "open-file");
    }
    QString saveFileName(const QString& pattern) override {
        saveRequests.push_back(pattern);
        return next(saveAnswers, "save-file");
    }
    void showWindow(Window window) override { shownWindows.push_back(window); }
    void quit() override { ++quits; }
    PictureArea& picture() override { return preview ? *preview : fakePicture; }

    // Answers for the next dialogs; an empty text is a cancel.
    std::deque<QString> openAnswers;
    std::deque<QString> saveAnswers;

    QStringList errors;
    std::vector<OpenRequest> openRequests;
    QStringList saveRequests;
    std::vector<Window> shownWindows;
    int quits = 0;

    FakePicture fakePicture;
    // Set to use another picture area (a real preview) instead of fakePicture.
    PictureArea* preview = nullptr;

private:
    static QString next(std::deque<QString>& answers, const char* dialog) {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected " << dialog << " dialog";
            return {};
        }
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace grondel::testing
