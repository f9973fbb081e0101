#pragma once

#include <optional>

#include <QString>

// What an update run needs of the window that shows it. The console implements it with
// widgets; tests implement it with a script of answers.
class UpdateWindow {
public:
    virtual ~UpdateWindow() = default;

    virtual void ClearLog() = 0;
    // Adds one row to the log and scrolls to it.
    virtual void AddLogRow(const QString& row) = 0;

    virtual void SetProgressCaption(const QString& caption) = 0;
    virtual void SetProgressMaximum(qint64 maximum) = 0;
    virtual void SetProgressPosition(qint64 position) = 0;

    // Lets pending window events run, so the window stays painted while the run blocks.
    virtual void ProcessPendingEvents() = 0;

    // An information box with an "OK" button; returns when it is closed.
    virtual void ShowInformation(const QString& text) = 0;
    // A question with "Yes" and "No" buttons; true for "Yes".
    virtual bool Confirm(const QString& question) = 0;
    // The save-file dialog, proposing proposedFile, with an empty history; nothing when cancelled.
    virtual std::optional<QString> AskSaveFileName(const QString& proposedFile) = 0;

    // Starts the program without waiting for it.
    virtual void StartProgram(const QString& path) = 0;
    // Asks the application to quit once the run has returned.
    virtual void QuitApplication() = 0;
};
