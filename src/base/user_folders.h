#pragma once

#include <QString>

namespace lumora {

/// What the one-time move of the data folder from its old name did.
struct DataFolderMove {
    enum class Outcome {
        nothingToMove, ///< no old folder: the new one is used (and made if missing)
        moved,         ///< the old folder was renamed to the new name
        merged,        ///< both existed: the old files the new folder lacked (or had older) were copied in
        failed,        ///< the old folder stays in use, untouched but for files already copied
    };
    Outcome outcome = Outcome::nothingToMove;
    /// The data folder to use from now on.
    QString folder;
    /// Why the move failed (English, for the log); empty otherwise.
    QString problem;
};

/// Moves the files of `legacy` to `folder` once: a rename when only the old folder exists, else a copy of
/// what the new folder lacks (keeping modification times, which date the month files) before the old files
/// are removed. Lock files are not carried: a lock is its open file, and the new one is made when first
/// taken. Nothing is removed from `legacy` unless every file reached `folder`.
DataFolderMove moveDataFolder(const QString& legacy, const QString& folder);

/// The folders of the user's files, resolved once when a program starts and handed down from there; nothing
/// else reads where they are.
struct UserFolders {
    /// The data folder in use (month files, catalogue, location, widget snapshot, locks).
    QString dataFolder;
    /// The settings file.
    QString settingsPath;

    /// $XDG_DATA_HOME (the temp folder when there is no data location).
    static QString dataHome();
    /// $XDG_DATA_HOME/lumora.
    static QString dataLocation();
    /// $XDG_DATA_HOME/LumoraMac, the data folder of earlier builds.
    static QString legacyDataLocation();
    /// $XDG_CONFIG_HOME/lumora/lumora.conf: the file QSettings("lumora", "lumora") uses.
    static QString settingsLocation();
    /// $XDG_CONFIG_HOME/autostart.
    static QString autostartLocation();

    /// Moves the old data folder (logging once when that fails) and makes the data folder if missing.
    static UserFolders resolve();
};

} // namespace lumora
