#include "backends/desktop/OpenGameDialog.h"

#include <gtk/gtk.h>

#include <iostream>
#include <memory>
#include <system_error>

namespace velkaro {
namespace {

struct WidgetDestroyer {
    void operator()(GtkWidget* widget) const { gtk_widget_destroy(widget); }
};
struct GFree {
    void operator()(gchar* text) const { g_free(text); }
};

std::filesystem::path StartFolder(const std::filesystem::path& programFolder) {
    std::error_code error;
    const std::filesystem::path games = programFolder / "Games";
    return std::filesystem::is_directory(games, error) ? games : programFolder;
}

} // namespace

std::optional<std::filesystem::path> ChooseGameFile(const std::filesystem::path& programFolder) {
    if (gtk_init_check(nullptr, nullptr) == FALSE) {
        std::cerr << "No display for the dialog that loads a game.\n";
        return std::nullopt;
    }
    std::optional<std::filesystem::path> chosen;
    {
        const std::unique_ptr<GtkWidget, WidgetDestroyer> dialog(gtk_file_chooser_dialog_new(
            "Loading a game", nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel", GTK_RESPONSE_CANCEL,
            "_Open", GTK_RESPONSE_ACCEPT, nullptr));
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.get());

        // The chooser takes the filter over.
        GtkFileFilter* games = gtk_file_filter_new();
        gtk_file_filter_set_name(games, "Quorvane files");
        gtk_file_filter_add_pattern(games, "*.[Qq][Vv][Ff]");
        gtk_file_chooser_add_filter(chooser, games);

        gtk_file_chooser_set_local_only(chooser, TRUE);
        gtk_file_chooser_set_current_folder(chooser, StartFolder(programFolder).c_str());
        gtk_window_set_resizable(GTK_WINDOW(dialog.get()), TRUE);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog.get()), GTK_RESPONSE_ACCEPT);

        if (gtk_dialog_run(GTK_DIALOG(dialog.get())) == GTK_RESPONSE_ACCEPT) {
            const std::unique_ptr<gchar, GFree> name(gtk_file_chooser_get_filename(chooser));
            if (name) {
                chosen = std::filesystem::path(name.get());
            }
        }
    }
    // Gone from the screen before the game's window opens.
    while (gtk_events_pending() != FALSE) {
        gtk_main_iteration();
    }
    return chosen;
}

} // namespace velkaro
