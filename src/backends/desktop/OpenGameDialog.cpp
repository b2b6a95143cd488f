#include "backends/desktop/OpenGameDialog.h"

#include <gtk/gtk.h>

#include <algorithm>
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

// Of the screen's work area, the most the dialog takes: the chooser's own size, worked out from
// its font, does not fit a small screen.
constexpr int kLargestPercent = 90;

std::filesystem::path StartFolder(const std::filesystem::path& programFolder) {
    std::error_code error;
    const std::filesystem::path games = programFolder / "Games";
    return std::filesystem::is_directory(games, error) ? games : programFolder;
}

// Whether the session bus answers, one that GLib starts for the purpose included.
bool SessionBusAnswers() {
    if (g_getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) {
        return true;
    }
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    g_clear_error(&error);
    if (bus == nullptr) {
        return false;
    }
    g_object_unref(bus);
    return true;
}

// The chooser's settings (its size, the columns shown) kept in memory while it is open where no
// session bus answers: the desktop's settings store would say on standard error, at each change,
// that it cannot keep them. The environment is as it was again afterwards, for the programs a
// game starts; the settings store once chosen stays for the process.
class SettingsWithoutBus {
public:
    SettingsWithoutBus()
        : inMemory_(g_getenv("GSETTINGS_BACKEND") == nullptr && !SessionBusAnswers()) {
        if (inMemory_) {
            g_setenv("GSETTINGS_BACKEND", "memory", FALSE);
        }
    }
    ~SettingsWithoutBus() {
        if (inMemory_) {
            g_unsetenv("GSETTINGS_BACKEND");
        }
    }
    SettingsWithoutBus(const SettingsWithoutBus&) = delete;
    SettingsWithoutBus& operator=(const SettingsWithoutBus&) = delete;

private:
    bool inMemory_;
};

GdkMonitor* MonitorOfPointer(GdkDisplay* display) {
    int x = 0;
    int y = 0;
    GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
    if (pointer != nullptr) {
        gdk_device_get_position(pointer, nullptr, &x, &y);
    }
    GdkMonitor* monitor = gdk_display_get_monitor_at_point(display, x, y);
    return monitor != nullptr ? monitor : gdk_display_get_monitor(display, 0);
}

// At most kLargestPercent of the work area of the screen under the pointer, centred on it, and
// with the keyboard: without a window manager to give it, the keys would go wherever the last
// window left the focus. Called as the dialog maps: by then the chooser has asked for its own
// size, which GTK applies only after the mapping (the last size asked for wins).
void PlaceInFront(GtkWidget* dialog, gpointer /*unused*/) {
    GtkWindow* window = GTK_WINDOW(dialog);
    if (GdkMonitor* monitor = MonitorOfPointer(gtk_widget_get_display(dialog))) {
        GdkRectangle area{};
        gdk_monitor_get_workarea(monitor, &area);
        int width = 0;
        int height = 0;
        gtk_window_get_size(window, &width, &height);
        width = std::min(width, area.width * kLargestPercent / 100);
        height = std::min(height, area.height * kLargestPercent / 100);
        gtk_window_resize(window, width, height);
        gtk_window_move(window, area.x + (area.width - width) / 2,
                        area.y + (area.height - height) / 2);
    }
    gtk_window_present(window);
}

} // namespace

std::optional<std::filesystem::path> ChooseGameFile(const std::filesystem::path& programFolder) {
    const SettingsWithoutBus settings;
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
        g_signal_connect_after(dialog.get(), "map", G_CALLBACK(PlaceInFront), nullptr);

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
