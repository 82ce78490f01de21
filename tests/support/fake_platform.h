#pragma once

#include "platform/platform.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QStringList>

namespace grondel::testing {

// A platform without a screen. Its file dialogs answer from a script (an empty text, or none
// left, is a cancel), and every request the program makes goes into one log, so a test states
// what a command did in one line.
class FakePlatform : public Platform, public PictureArea {
public:
    // "error TEXT", with " (REASON)" when there is one.
    void showError(const QString& text, const QString& reason = {}) override {
        log << "error " + text + (reason.isEmpty() ? "" : " (" + reason + ")");
    }
    // "ask TEXT"; answers with the next of replies, No when none is left.
    bool confirm(const QString& text) override {
        log << "ask " + text;
        return !replies.isEmpty() && replies.takeFirst();
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
    void stateChanged() override {
        ++stateChanges;
        if (onStateChanged)
            onStateChanged();
    }
    // Runs work at once, in place, its stages in stages; "cancel" when cancelJobs is set, and
    // then runs nothing.
    bool runJob(const QString& title, const std::function<void(BuildProgress&)>& work) override {
        jobs << title;
        if (cancelJobs) {
            log << "cancel";
            return false;
        }
        BuildProgress progress;
        progress.onStage = [this](BuildStage stage) { stages.push_back(stage); };
        work(progress);
        return true;
    }
    // "options": the dialog opens; it answers with exportChoice (the options as they came when
    // unset), or cancels when exportCancel is set.
    std::optional<GameTerrain> askExportOptions(std::shared_ptr<const Picture> picture,
                                                GameTerrainOptions& options,
                                                ExportFocus focus = ExportFocus::First) override {
        log << (focus == ExportFocus::Scale ? "options at scale" : "options");
        offered = options;
        if (exportCancel)
            return std::nullopt;
        if (exportChoice)
            options = *exportChoice;
        return buildGameTerrain(*picture, options);
    }
    void quit() override { log << "quit"; }
    PictureArea& preview() override { return *this; }

    // "preview WIDTHxHEIGHT", or "preview none"; its name and square in shownName, shownEdge.
    void showPicture(std::shared_ptr<const Picture> picture, const QString& name = {},
                     int edge = 0) override {
        shownName = name;
        shownEdge = edge;
        log << (picture
                    ? QStringLiteral("preview %1x%2").arg(picture->width()).arg(picture->height())
                    : QStringLiteral("preview none"));
        shown = std::move(picture);
    }

    // The log so far as "entry; entry", emptied for the next step.
    std::string takeLog() {
        const std::string text = log.join("; ").toStdString();
        log.clear();
        return text;
    }

    std::shared_ptr<const Picture> shown; // what the preview shows
    bool exportCancel = false;
    std::optional<GameTerrainOptions> exportChoice;
    GameTerrainOptions offered; // what the export dialog was last offered
    int terrainChanges = 0;
    int stateChanges = 0;
    std::function<void()> onStateChanged; // a window that follows the state
    QString shownName;
    int shownEdge = 0;
    bool cancelJobs = false;
    QStringList jobs;
    std::vector<BuildStage> stages;
    QList<bool> replies;
    QStringList answers;
    QStringList log;

private:
    QString answer(const QString& request) {
        log << request;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

} // namespace grondel::testing
