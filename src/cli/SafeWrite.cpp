#include "cli/SafeWrite.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliPrompts.h"
#include "cli/DeviceRun.h"
#include "files/Utf8Path.h"
#include "history/BackupStore.h"
#include "history/ChangePreview.h"
#include "settings/ExchangeTable.h"
#include "settings/PagesCheck.h"
#include "settings/RWSettingsThread.h"

namespace zort::cli {
namespace {

constexpr const char* kNothingWritten = "В устройство ничего не записано";

std::string Quoted(const std::string& text) {
    return "«" + text + "»";
}
std::string Key(int slot) {
    return std::string(KeyOf(slot));
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

Outcome KeepBackup(const SettingsImage& before, const std::string& portName, const SafeWriteOptions& options,
                   ConsoleSink& sink) {
    if (options.noBackup) {
        sink.Note("Резервная копия настроек не сохраняется (--no-backup)");
        return Outcome::Success();
    }
    const BackupResult stored =
        BackupStore(DefaultBackupRoot())
            .Store(before, portName, options.reason, std::chrono::system_clock::now());
    if (!stored.ok) return Outcome::DeviceFailed(stored.error, kNothingWritten);
    sink.Note("Резервная копия настроек: " + Utf8FromPath(stored.file));
    return Outcome::Success();
}

std::string PreviewText(const std::vector<SettingChange>& changes) {
    if (changes.empty()) return "Изменений нет: в устройстве уже эти настройки\n";
    std::string text = "Изменится:\n";
    for (const SettingChange& change : changes) text += "  " + ChangeLine(change) + "\n";
    return text;
}

Outcome CompareWritten(const SettingsImage& sent, const SettingsImage& readBack, ConsoleSink& sink) {
    std::vector<std::string> lines;
    for (const int slot : WrittenSlotsDiffering(sent, readBack)) {
        lines.push_back(Quoted(Key(slot)) + ": записано " + Quoted(sent.Utf8Text(slot)) + ", прочитано " +
                        Quoted(readBack.Utf8Text(slot)));
    }
    if (!lines.empty())
        return Outcome::DeviceFailed("Устройство не сохранило записанные значения", JoinLines(lines));
    sink.Print("Проверка: устройство сохранило все записанные значения");
    return Outcome::Success();
}

// Items 0..24 from `image`, and with `verify` the read back.
Outcome WriteAndVerify(DeviceContext& context, const SettingsImage& image, const SafeWriteOptions& options,
                       ConsoleSink& sink) {
    context.image = image;
    {
        RWSettingsThread writer(context, sink);
        writer.mode = kModeWriteSettings;
        writer.restoring = options.reason == kRestoreReason;
        if (Outcome written = RunWorker(writer, sink, kWriteCaption); !written.Ok()) return written;
    }
    if (!options.verify) return Outcome::Success();

    // Into a scratch image: what was sent stays in the context's image to compare.
    SettingsImage readBack;
    RWSettingsThread reader(context, sink);
    reader.mode = kModeReadSettings;
    reader.image = &readBack;
    if (Outcome read = RunWorker(reader, sink, kReadCaption); !read.Ok()) return read;
    return CompareWritten(context.image, readBack, sink);
}

}  // namespace

// The image goes through the pages and back, as after loading a file in the
// window and pressing the write button: a value the pages cannot show would be
// lost there, so it is refused here instead.
Outcome CheckAsWriteButton(SettingsImage& image, bool yes, ConsoleSink& sink) {
    const SettingsImage given = image;
    CliPrompts prompts(yes);
    const PagesCheck check = CheckThroughPages(image, prompts);
    if (!check.unshown.empty()) {
        std::vector<std::string> lines;
        for (int slot : check.unshown)
            lines.push_back(Quoted(Key(slot)) + ": " + Quoted(given.Utf8Text(slot)));
        return Outcome::BadInput("Недопустимые значения настроек", JoinLines(lines));
    }
    if (!check.ok) return Outcome::BadInput(prompts.Refusal(), prompts.Hint());
    // Say so, since a script asked for the other text.
    for (const int slot : check.normalised) {
        sink.Print("Значение " + Quoted(Key(slot)) + " будет записано как " + Quoted(image.Utf8Text(slot)) +
                   " (было " + Quoted(given.Utf8Text(slot)) + ")");
    }
    return Outcome::Success();
}

void AddSafeWriteOptions(CLI::App& command, SafeWriteOptions& options) {
    command.add_flag("--yes", options.yes, "ответить «Да» на вопросы проверки");
    command.add_flag("--verify", options.verify, "прочитать записанное и сравнить");
    command.add_flag("--dry-run", options.dryRun, "только показать, что изменится, ничего не записывая");
    command.add_flag("--no-backup", options.noBackup, "не сохранять резервную копию настроек устройства");
}

Outcome WriteWithBackup(DeviceContext& context, const SettingsImage& image, ConsoleSink& sink,
                        const SafeWriteOptions& options) {
    // What the tracker holds now: the list compares against it, the backup keeps it.
    SettingsImage before;
    {
        RWSettingsThread reader(context, sink);
        reader.mode = kModeReadSettings;
        reader.image = &before;
        if (Outcome read = RunWorker(reader, sink, kReadCaption); !read.Ok()) {
            return Outcome::DeviceFailed(read.message, kNothingWritten);
        }
    }
    if (options.checkBefore) {
        if (Outcome fits = options.checkBefore(before); !fits.Ok()) return fits;
    }
    SettingsImage composed = image;
    if (options.compose) {
        composed = before;
        if (Outcome made = options.compose(before, composed); !made.Ok()) return made;
    }
    const std::string preview = PreviewText(ChangesBetween(before, composed));
    if (options.dryRun) {
        std::fputs(preview.c_str(), stdout);
        return Outcome::Success();
    }
    sink.Note(preview.substr(0, preview.size() - 1));
    if (Outcome kept = KeepBackup(before, context.PortName(), options, sink); !kept.Ok()) return kept;
    return WriteAndVerify(context, composed, options, sink);
}

}  // namespace zort::cli
