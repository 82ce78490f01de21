#pragma once

#include "platform/platform.h"

#include <memory>
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
        log << QStringList{"show size", "show help", "show about", "show view"}.value(int(window));
    }
    void terrainChanged() override { ++terrainChanges; }
    // "options": the dialog opens; it answers with exportChoice (the options as they came when
    // unset), or cancels when exportCancel is set.
    std::optional<GameTerrain> askExportOptions(std::shared_ptr<const Picture> picture,
                                                GameTerrainOptions& options) override {
        log << "options";
        offered = options;
        if (exportCancel)
            return std::nullopt;
        if (exportChoice)
            options = *exportChoice;
        return buildGameTerrain(*picture, options);
    }
    void quit() override { log << "quit"; }
    PictureArea& picture() override { return *this; }

    // A listed file loads as a 64 x 64 picture whose red counts columns, green rows, and blue
    // tells the files apart.
    bool load(const QString& path, QString* error = nullptr) override {
        log << "load " + path;
        if (!files.contains(path)) {
            if (error)
                *error = "no such picture";
            return false;
        }
        auto picture = std::make_shared<Picture>(64, 64, PictureLayout::Rgb, 8);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                for (int c = 0; c < 3; ++c)
                    picture->row8(y)[std::size_t(3 * x + c)] =
                        std::uint8_t(c == 0   ? x
                                     : c == 1 ? y
                                              : files.indexOf(path));
        picture_ = std::move(picture);
        return true;
    }
    bool hasPicture() const override { return picture_ != nullptr; }
    std::shared_ptr<const Picture> decoded() const override { return picture_; }
    Cell pixel(int x, int y) const override { return picture_ ? picture_->packedColour(x, y) : 0; }

    // The log so far as "entry; entry", emptied for the next step.
    std::string takeLog() {
        const std::string text = log.join("; ").toStdString();
        log.clear();
        return text;
    }

    QStringList files; // the paths that load as pictures
    bool exportCancel = false;
    std::optional<GameTerrainOptions> exportChoice;
    GameTerrainOptions offered; // what the export dialog was last offered
    int terrainChanges = 0;
    QStringList answers;
    QStringList log;

private:
    QString answer(const QString& request) {
        log << request;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }

    std::shared_ptr<Picture> picture_;
};

} // namespace grondel::testing
