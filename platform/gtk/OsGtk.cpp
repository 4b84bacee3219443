// The real backend's host services over GTK 3: file, folder and colour dialogs, the
// clipboard, the beep and message boxes. When GTK cannot start, each of them reports
// failure (dialogs answer cancel) and the reason is logged once.
// X11 has a KeyCode of its own; the program's is the one that counts here.
#define KeyCode X11KeyCode
#include <gdk/gdkx.h>
#undef KeyCode
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/Clipboard.h"
#include "platform/Os.h"
#include "platform/OsReal.h"
#include "platform/OsTestSupport.h"

namespace {

int g_gtk;  // 0 not tried, 1 running, -1 failed

// The dialog being shown, for its signal handlers and for the test answers.
struct ActiveDialog {
    GtkWidget* dialog;
    int kind;  // 0 file chooser, 1 colour, 2 message
    int shown;
    int done;
    int response;
    DynArray<GtkFileFilter*> filters;
    DynArray<GtkWidget*> combos;
    DynArray<DialogOption>* options;
};
ActiveDialog* g_active;
int g_dialogCount;
String g_lastAnsweredMessage;  // the text of the last message box a test answer answered

const char kText8Target[] = "application/x-tavik-text8";
enum { INFO_TEXT = 1, INFO_TEXT8 = 2 };

struct ClipText {
    char* utf8;
    char* text8;
};

const char kResponseCount[] = "tavik-responses";

// Answers the dialog gave so far (kept on the widget, so that the test support can tell a late
// answer of a file chooser from none).
int ResponseCount(GtkWidget* dialog)
{
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(dialog), kResponseCount));
}

void OnResponse(GtkDialog* dialog, gint response, gpointer data)
{
    ActiveDialog* a = static_cast<ActiveDialog*>(data);
    a->response = response;
    a->done = 1;
    g_object_set_data(G_OBJECT(dialog), kResponseCount, GINT_TO_POINTER(ResponseCount(GTK_WIDGET(dialog)) + 1));
}

void ReadOptions(ActiveDialog* a)
{
    if (!a->options) return;
    for (u32 i = 0; i < a->combos.count && i < a->options->count; ++i) {
        gint sel = gtk_combo_box_get_active(GTK_COMBO_BOX(a->combos[i]));
        if (sel >= 0 && u32(sel) < (*a->options)[i].choices.count) (*a->options)[i].selectedIndex = u32(sel);
    }
}

void OnFolderChanged(GtkFileChooser*, gpointer data) { ReadOptions(static_cast<ActiveDialog*>(data)); }

void SetParent(GtkWidget* dialog, unsigned long parent)
{
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    if (!parent) return;
    gtk_widget_realize(dialog);
    GdkDisplay* display = gtk_widget_get_display(dialog);
    if (!GDK_IS_X11_DISPLAY(display)) return;
    GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(display, Window(parent));
    if (!foreign) return;
    gdk_window_set_transient_for(gtk_widget_get_window(dialog), foreign);
    g_object_unref(foreign);
}

// Runs the dialog until it answers, keeping the program's window drawn meanwhile. A dialog
// run again after an answer stays where it was and waits for the next one.
int RunDialog(ActiveDialog* a)
{
    if (!a->shown) {
        ++g_dialogCount;
        g_signal_connect(a->dialog, "response", G_CALLBACK(OnResponse), a);
        gtk_widget_show_all(a->dialog);
        gtk_window_present(GTK_WINDOW(a->dialog));
        a->shown = 1;
    }
    a->done = 0;
    ActiveDialog* outer = g_active;
    g_active = a;
    while (!a->done) {
        if (OsRealPumpWindow()) {
            for (int i = 0; i < 64 && g_main_context_iteration(nullptr, FALSE); ++i) {
            }
        } else {
            g_main_context_iteration(nullptr, TRUE);
        }
    }
    g_active = outer;
    return a->response;
}

void FinishDialog(ActiveDialog* a)
{
    gtk_widget_destroy(a->dialog);
    a->filters.Free();
    a->combos.Free();
    GtkDrain();
}

void AddFilter(ActiveDialog* a, GtkWidget* chooser, const FileFilter& f)
{
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, f.description.c_str());
    String pattern(f.pattern.c_str());
    char* save = nullptr;
    for (char* p = strtok_r(pattern.Buffer(), ";", &save); p; p = strtok_r(nullptr, ";", &save)) {
        while (*p == ' ') ++p;
        String glob;
        OsFilterPatternToGlob(&glob, p);
        if (!glob.IsEmpty()) gtk_file_filter_add_pattern(filter, glob.c_str());
    }
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);  // the chooser owns it
    a->filters.Push(filter);
}

GtkWidget* BuildOptionRows(ActiveDialog* a, DynArray<DialogOption>* options)
{
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 4);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 8);
    for (u32 i = 0; i < options->count; ++i) {
        DialogOption& o = (*options)[i];
        GtkWidget* label = gtk_label_new(o.label.c_str());
        gtk_widget_set_halign(label, GTK_ALIGN_END);
        GtkWidget* combo = gtk_combo_box_text_new();
        for (const DialogOptionChoice& c : o.choices) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), c.text.c_str());
        if (o.choices.count) {
            u32 start = o.defaultIndex < o.choices.count ? o.defaultIndex : o.choices.count - 1;
            gtk_combo_box_set_active(GTK_COMBO_BOX(combo), gint(start));
        }
        gtk_grid_attach(GTK_GRID(grid), label, 0, gint(i), 1, 1);
        gtk_grid_attach(GTK_GRID(grid), combo, 1, gint(i), 1, 1);
        a->combos.Push(combo);
    }
    return grid;
}

// The index of the filter the chooser shows, within the request's list; the starting one when
// it is none of them.
u32 ChosenFilterIndex(ActiveDialog* a, OsFileDialogRequest* request)
{
    GtkFileFilter* chosen = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(a->dialog));
    for (u32 i = 0; i < a->filters.count; ++i)
        if (a->filters[i] == chosen) return i;
    return request->filterIndex;
}

// The chooser confirms replacing the file whose name was typed, but the name is saved with
// the filter's extension appended: "pic" under "*.bmp" is saved as "pic.bmp". When that
// other file exists, the user is asked too. Answers whether the save may go ahead.
int ConfirmReplacingWithExtension(ActiveDialog* a, OsFileDialogRequest* request)
{
    if (request->mode != OsFileDialogRequest::Save || !request->filters) return 1;
    gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(a->dialog));
    if (!name) return 1;
    String saved(name);
    g_free(name);
    u32 length = saved.Length();
    OsAppendFilterExtension(&saved, *request->filters, ChosenFilterIndex(a, request));
    if (saved.Length() == length || !g_file_test(saved.c_str(), G_FILE_TEST_EXISTS)) return 1;
    const char* slash = strrchr(saved.c_str(), '/');
    ActiveDialog ask = {};
    ask.kind = 2;
    GtkDialogFlags flags = GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT);
    ask.dialog = gtk_message_dialog_new(GTK_WINDOW(a->dialog), flags, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
                                        "A file named \"%s\" already exists. Do you want to replace it?",
                                        slash ? slash + 1 : saved.c_str());
    gtk_dialog_add_buttons(GTK_DIALOG(ask.dialog), "_Cancel", GTK_RESPONSE_CANCEL, "_Replace", GTK_RESPONSE_OK,
                           nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(ask.dialog), GTK_RESPONSE_CANCEL);
    int replace = RunDialog(&ask) == GTK_RESPONSE_OK;
    FinishDialog(&ask);
    return replace;
}

void AbsoluteFolder(const char* folder, String* out)
{
    out->Clear();
    if (!folder || !*folder) return;
    if (folder[0] == '/') {
        out->Set(folder);
        return;
    }
    char* cwd = getcwd(nullptr, 0);
    if (!cwd) return;
    out->Set(cwd);
    free(cwd);
    out->Append("/");
    out->Append(folder);
}

void ClipGet(GtkClipboard*, GtkSelectionData* data, guint info, gpointer owner)
{
    ClipText* t = static_cast<ClipText*>(owner);
    if (info == INFO_TEXT && t->utf8) {
        gtk_selection_data_set_text(data, t->utf8, -1);
    } else if (info == INFO_TEXT8 && t->text8) {
        gtk_selection_data_set(data, gdk_atom_intern_static_string(kText8Target), 8,
                               reinterpret_cast<const guchar*>(t->text8), gint(strlen(t->text8)));
    }
}

void ClipClear(GtkClipboard*, gpointer owner)
{
    ClipText* t = static_cast<ClipText*>(owner);
    g_free(t->utf8);
    g_free(t->text8);
    delete t;
}

gboolean AnswerTimeout(gpointer data);

struct TestAnswer {
    int accept;
    String path;
    int filterIndex;
    int optionIndex;
    int target;  // 0 a file dialog or message box, 1 the colour dialog, 2 a message box only
    GdkRGBA color;
    int tries;
    int phase;  // 0: fill the dialog in; 1: press the button (again while the dialog refuses)
    GtkWidget* bound;     // the dialog being answered, from phase 1 on; nulled when it goes
    int responsesBefore;  // its answers before the last press
};

}  // namespace

int GtkStart()
{
    if (g_gtk) return g_gtk > 0;
    gtk_disable_setlocale();
    gdk_set_allowed_backends("x11");
    if (gtk_init_check(nullptr, nullptr)) {
        g_gtk = 1;
    } else {
        g_gtk = -1;
        OsLog("GTK could not be initialised (no display?): native dialogs, the clipboard and the beep are unavailable");
    }
    return g_gtk > 0;
}

void GtkDrain()
{
    if (g_gtk <= 0) return;
    for (int i = 0; i < 256 && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
}

void GtkBeep()
{
    if (!GtkStart()) return;
    if (GdkDisplay* d = gdk_display_get_default()) gdk_display_beep(d);
}

int GtkMessageBox(const char* title, const char* text)
{
    if (!GtkStart()) return 0;
    ActiveDialog a = {};
    a.kind = 2;
    a.dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_INFO, GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(a.dialog), title);
    SetParent(a.dialog, OsGetWindowHandle());
    RunDialog(&a);
    FinishDialog(&a);
    return 1;
}

int GtkGetWorkArea(int* x, int* y, int* width, int* height)
{
    if (!GtkStart()) return 0;
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return 0;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return 0;
    GdkRectangle r;
    gdk_monitor_get_workarea(monitor, &r);
    *x = r.x;
    *y = r.y;
    *width = r.width;
    *height = r.height;
    return r.width > 0 && r.height > 0;
}

int GtkClipboardSetText(const char* text8, const u16* utf16)
{
    if (!GtkStart()) return 0;
    ClipText* t = new ClipText{nullptr, nullptr};
    if (utf16) t->utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(utf16), -1, nullptr, nullptr, nullptr);
    if (text8) t->text8 = g_strdup(text8);
    if (!t->utf8 && !t->text8) {
        delete t;
        return 0;
    }
    GtkTargetList* list = gtk_target_list_new(nullptr, 0);
    if (t->utf8) gtk_target_list_add_text_targets(list, INFO_TEXT);
    if (t->text8) gtk_target_list_add(list, gdk_atom_intern_static_string(kText8Target), 0, INFO_TEXT8);
    gint n = 0;
    GtkTargetEntry* targets = gtk_target_table_new_from_list(list, &n);
    GtkClipboard* cb = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gboolean ok = gtk_clipboard_set_with_data(cb, targets, guint(n), ClipGet, ClipClear, t);
    if (ok) gtk_clipboard_set_can_store(cb, nullptr, 0);
    else ClipClear(cb, t);
    gtk_target_table_free(targets, n);
    gtk_target_list_unref(list);
    return ok ? 1 : 0;
}

int GtkClipboardGetText(DynArray<u16>* utf16, int* hasUtf16, String* text8)
{
    *hasUtf16 = 0;
    if (!GtkStart()) return 0;
    GtkClipboard* cb = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    if (gchar* utf8 = gtk_clipboard_wait_for_text(cb)) {
        glong n = 0;
        gunichar2* units = g_utf8_to_utf16(utf8, -1, nullptr, &n, nullptr);
        g_free(utf8);
        if (units) {
            utf16->ResizeRaw(u32(n) + 1);
            memcpy(utf16->data, units, (size_t(n) + 1) * sizeof(u16));
            g_free(units);
            *hasUtf16 = 1;
            return 1;
        }
    }
    GtkSelectionData* data = gtk_clipboard_wait_for_contents(cb, gdk_atom_intern_static_string(kText8Target));
    if (!data) return 0;
    gint length = gtk_selection_data_get_length(data);
    const guchar* bytes = gtk_selection_data_get_data(data);
    int ok = length >= 0 && bytes;
    if (ok) {
        gint n = 0;
        while (n < length && bytes[n]) ++n;
        text8->Set(reinterpret_cast<const char*>(bytes), u32(n));
    }
    gtk_selection_data_free(data);
    return ok;
}

int GtkClipboardSetPicture(const u8* dib, u32 size)
{
    if (!GtkStart()) return 0;
    u8* rgb = nullptr;
    u32 w = 0, h = 0;
    if (!ClipboardUnpackPicture(dib, size, &rgb, &w, &h)) return 0;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, gint(w), gint(h));
    if (!pixbuf) {
        free(rgb);
        return 0;
    }
    guchar* dst = gdk_pixbuf_get_pixels(pixbuf);
    int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (u32 y = 0; y < h; ++y) memcpy(dst + u64(stride) * y, rgb + u64(w) * 3 * y, size_t(w) * 3);
    free(rgb);
    gtk_clipboard_set_image(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), pixbuf);
    g_object_unref(pixbuf);
    return 1;
}

int GtkClipboardGetPicture(DynArray<u8>* dib)
{
    if (!GtkStart()) return 0;
    GdkPixbuf* pixbuf = gtk_clipboard_wait_for_image(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    if (!pixbuf) return 0;
    int ok = 0;
    int channels = gdk_pixbuf_get_n_channels(pixbuf);
    if (gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB && gdk_pixbuf_get_bits_per_sample(pixbuf) == 8 &&
        (channels == 3 || channels == 4)) {
        u32 w = u32(gdk_pixbuf_get_width(pixbuf)), h = u32(gdk_pixbuf_get_height(pixbuf));
        int stride = gdk_pixbuf_get_rowstride(pixbuf);
        const guchar* src = gdk_pixbuf_read_pixels(pixbuf);
        u8* rgb = static_cast<u8*>(malloc(size_t(u64(w) * h * 3) + 1));
        if (rgb) {
            // Pictures of other programs may carry alpha; the program's pictures have none.
            for (u32 y = 0; y < h; ++y)
                for (u32 x = 0; x < w; ++x)
                    memcpy(rgb + (u64(y) * w + x) * 3, src + u64(stride) * y + u64(x) * channels, 3);
            ClipboardPicture picture;
            if (ClipboardPackPicture(rgb, w, h, &picture)) {
                dib->ResizeRaw(picture.size);
                memcpy(dib->data, picture.data, picture.size);
                free(picture.data);
                ok = 1;
            }
            free(rgb);
        }
    }
    g_object_unref(pixbuf);
    return ok;
}

void GtkFileDialog(OsFileDialogRequest* request, OsFileDialogAnswer* answer, unsigned long parent)
{
    answer->ok = 0;
    if (!GtkStart()) {
        OsLog("The file dialog \"%s\" could not be shown: GTK is not available", request->title);
        return;
    }
    GtkFileChooserAction action = GTK_FILE_CHOOSER_ACTION_OPEN;
    const char* okLabel = "_Open";
    if (request->mode == OsFileDialogRequest::Save) {
        action = GTK_FILE_CHOOSER_ACTION_SAVE;
        okLabel = "_Save";
    } else if (request->mode == OsFileDialogRequest::Folder) {
        action = GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
        okLabel = "_Select";
    }
    ActiveDialog a = {};
    a.options = request->options;
    a.dialog = gtk_file_chooser_dialog_new(request->title, nullptr, action, "_Cancel", GTK_RESPONSE_CANCEL, okLabel,
                                           GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(a.dialog);
    gtk_dialog_set_default_response(GTK_DIALOG(a.dialog), GTK_RESPONSE_ACCEPT);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    if (request->mode == OsFileDialogRequest::Save) gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    if (request->mode == OsFileDialogRequest::OpenMany) gtk_file_chooser_set_select_multiple(chooser, TRUE);
    if (request->filters) {
        for (const FileFilter& f : *request->filters) AddFilter(&a, a.dialog, f);
        if (request->filterIndex < a.filters.count) gtk_file_chooser_set_filter(chooser, a.filters[request->filterIndex]);
    }
    String folder;
    AbsoluteFolder(request->folder, &folder);
    if (!folder.IsEmpty() && g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR))
        gtk_file_chooser_set_current_folder(chooser, folder.c_str());
    if (request->fileName && *request->fileName) {
        if (request->mode == OsFileDialogRequest::Save) {
            gtk_file_chooser_set_current_name(chooser, request->fileName);
        } else if (!folder.IsEmpty()) {
            String full(folder.c_str());
            full.Append("/");
            full.Append(request->fileName);
            if (g_file_test(full.c_str(), G_FILE_TEST_EXISTS)) gtk_file_chooser_set_filename(chooser, full.c_str());
        }
    }
    if (request->options && request->options->count) {
        gtk_file_chooser_set_extra_widget(chooser, BuildOptionRows(&a, request->options));
        g_signal_connect(a.dialog, "current-folder-changed", G_CALLBACK(OnFolderChanged), &a);
    }
    SetParent(a.dialog, parent);

    int response = RunDialog(&a);
    // Declining to replace goes back to the chooser, as its own confirmation does.
    while (response == GTK_RESPONSE_ACCEPT && !ConfirmReplacingWithExtension(&a, request))
        response = RunDialog(&a);
    if (response == GTK_RESPONSE_ACCEPT) {
        ReadOptions(&a);
        answer->filterIndex = ChosenFilterIndex(&a, request);
        if (request->mode == OsFileDialogRequest::OpenMany) {
            GSList* names = gtk_file_chooser_get_filenames(chooser);
            for (GSList* n = names; n; n = n->next) answer->paths.Push(String(static_cast<char*>(n->data)));
            g_slist_free_full(names, g_free);
        } else {
            gchar* name = gtk_file_chooser_get_filename(chooser);
            if (!name && request->mode == OsFileDialogRequest::Folder) name = gtk_file_chooser_get_current_folder(chooser);
            if (name) {
                bool isDir = g_file_test(name, G_FILE_TEST_IS_DIR);
                // Only an existing folder can be chosen in the folder picker.
                if (request->mode != OsFileDialogRequest::Folder || isDir) answer->paths.Push(String(name));
                g_free(name);
            }
        }
        answer->ok = answer->paths.count != 0;
    }
    FinishDialog(&a);
}

namespace {

// GTK's colour chooser keeps its custom colours and its last choice in the desktop's settings,
// which every GTK program shares: a colour picked here would show in other programs and
// outlive the run. The chooser's settings object is put in delay-apply mode as it is made,
// starting without the desktop's colours, and is dropped unapplied with the dialog; the run's
// own custom colours are offered as the dialog's palette instead.
const char kColorChooserSchema[] = "org.gtk.Settings.ColorChooser";
void (*g_settingsConstructed)(GObject*);
int g_makingColorChooser;

void ConstructSettings(GObject* object)
{
    g_settingsConstructed(object);
    if (!g_makingColorChooser) return;
    gchar* schema = nullptr;
    g_object_get(object, "schema-id", &schema, nullptr);
    if (schema && !strcmp(schema, kColorChooserSchema)) {
        GSettings* settings = G_SETTINGS(object);
        g_settings_delay(settings);
        g_settings_set_value(settings, "custom-colors", g_variant_new_array(G_VARIANT_TYPE("(dddd)"), nullptr, 0));
        g_settings_set(settings, "selected-color", "(bdddd)", FALSE, 1.0, 1.0, 1.0, 1.0);
    }
    g_free(schema);
}

GtkWidget* NewPrivateColorChooserDialog()
{
    if (!g_settingsConstructed) {
        GObjectClass* settingsClass = G_OBJECT_CLASS(g_type_class_ref(G_TYPE_SETTINGS));
        g_settingsConstructed = settingsClass->constructed;
        settingsClass->constructed = ConstructSettings;
    }
    g_makingColorChooser = 1;
    GtkWidget* dialog = gtk_color_chooser_dialog_new("Color", nullptr);
    g_makingColorChooser = 0;
    return dialog;
}

}  // namespace

int GtkColorDialog(u8 rgb[3], const u8 custom[16][3], unsigned long parent)
{
    if (!GtkStart()) {
        OsLog("The colour dialog could not be shown: GTK is not available");
        return 0;
    }
    ActiveDialog a = {};
    a.kind = 1;
    a.dialog = NewPrivateColorChooserDialog();
    GtkColorChooser* chooser = GTK_COLOR_CHOOSER(a.dialog);
    gtk_color_chooser_set_use_alpha(chooser, FALSE);
    GdkRGBA palette[16];
    for (int i = 0; i < 16; ++i)
        palette[i] = GdkRGBA{custom[i][0] / 255.0, custom[i][1] / 255.0, custom[i][2] / 255.0, 1.0};
    gtk_color_chooser_add_palette(chooser, GTK_ORIENTATION_HORIZONTAL, 8, 16, palette);
    GdkRGBA start = {rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0, 1.0};
    gtk_color_chooser_set_rgba(chooser, &start);
    SetParent(a.dialog, parent);
    int ok = 0;
    if (RunDialog(&a) == GTK_RESPONSE_OK) {
        GdkRGBA c;
        gtk_color_chooser_get_rgba(chooser, &c);
        double parts[3] = {c.red, c.green, c.blue};
        for (int i = 0; i < 3; ++i) {
            double v = parts[i] < 0 ? 0 : parts[i] > 1 ? 1 : parts[i];
            rgb[i] = u8(v * 255.0 + 0.5);
        }
        ok = 1;
    }
    FinishDialog(&a);
    return ok;
}

// Test support.

namespace {

gboolean DropAnswer(TestAnswer* t)
{
    if (t->bound) g_object_remove_weak_pointer(G_OBJECT(t->bound), reinterpret_cast<gpointer*>(&t->bound));
    delete t;
    return G_SOURCE_REMOVE;
}

// A message box GTK runs itself over the dialog (the file chooser's own question before
// replacing a file), or null.
GtkWidget* QuestionOver(GtkWidget* dialog)
{
    if (!dialog) return nullptr;
    GtkWidget* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w && !found; w = w->next) {
        GtkWidget* window = GTK_WIDGET(w->data);
        if (GTK_IS_MESSAGE_DIALOG(window) && gtk_widget_get_visible(window) &&
            gtk_window_get_transient_for(GTK_WINDOW(window)) == GTK_WINDOW(dialog))
            found = window;
    }
    g_list_free(windows);
    return found;
}

// Answers GTK's own question over the open dialog: true when there was one.
bool AnswerQuestionOver(TestAnswer* t, ActiveDialog* a)
{
    GtkWidget* question = a ? QuestionOver(a->dialog) : nullptr;
    if (!question) return false;
    gchar* text = nullptr;
    g_object_get(question, "text", &text, nullptr);
    g_lastAnsweredMessage.Set(text ? text : "");
    g_free(text);
    // Its accepting button answers OK or ACCEPT, depending on who made it.
    gint yes = gtk_dialog_get_widget_for_response(GTK_DIALOG(question), GTK_RESPONSE_OK) ? GTK_RESPONSE_OK
                                                                                         : GTK_RESPONSE_ACCEPT;
    gtk_dialog_response(GTK_DIALOG(question), t->accept ? yes : GTK_RESPONSE_CANCEL);
    return true;
}

gboolean AnswerTimeout(gpointer data)
{
    TestAnswer* t = static_cast<TestAnswer*>(data);
    ActiveDialog* a = g_active;
    // Nothing to answer, or the dialog answered is gone: stop instead of firing forever.
    if (++t->tries > 2000 || (t->phase > 0 && !t->bound)) return DropAnswer(t);
    // A file chooser may answer a press later, from the main loop; once it has, this answer
    // is spent even though the dialog is still there.
    if (t->phase > 1 && ResponseCount(t->bound) > t->responsesBefore) return DropAnswer(t);
    // A question GTK asks over the open dialog belongs to a message answer; pressing the
    // dialog below it again would only ask once more.
    if (t->target == 2 && AnswerQuestionOver(t, a)) return DropAnswer(t);
    if (a && QuestionOver(a->dialog)) return G_SOURCE_CONTINUE;
    bool wanted = t->target == 1 ? a && a->kind == 1 : t->target == 2 ? a && a->kind == 2 : a && a->kind != 1;
    if (!wanted || !a->dialog) return G_SOURCE_CONTINUE;  // not up yet
    if (t->phase > 0 && a->dialog != t->bound) return G_SOURCE_CONTINUE;  // another dialog is over it
    if (t->phase == 0) {
        t->phase = 1;
        t->bound = a->dialog;
        g_object_add_weak_pointer(G_OBJECT(t->bound), reinterpret_cast<gpointer*>(&t->bound));
        if (t->accept && a->kind == 1) gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(a->dialog), &t->color);
        if (t->accept && a->kind == 0) {
            GtkFileChooser* chooser = GTK_FILE_CHOOSER(a->dialog);
            if (t->filterIndex >= 0 && u32(t->filterIndex) < a->filters.count)
                gtk_file_chooser_set_filter(chooser, a->filters[u32(t->filterIndex)]);
            if (t->optionIndex >= 0)
                for (GtkWidget* combo : a->combos) gtk_combo_box_set_active(GTK_COMBO_BOX(combo), t->optionIndex);
            if (!t->path.IsEmpty()) {
                const char* p = t->path.c_str();
                GtkFileChooserAction action = gtk_file_chooser_get_action(chooser);
                const char* slash = strrchr(p, '/');
                if (action == GTK_FILE_CHOOSER_ACTION_SAVE && slash) {
                    String folder(p, u32(slash - p));
                    gtk_file_chooser_set_current_folder(chooser, folder.c_str());
                    gtk_file_chooser_set_current_name(chooser, slash + 1);
                } else if (action == GTK_FILE_CHOOSER_ACTION_SAVE) {
                    gtk_file_chooser_set_current_name(chooser, p);
                } else if (action == GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER) {
                    gtk_file_chooser_set_current_folder(chooser, p);
                } else {
                    gtk_file_chooser_select_filename(chooser, p);
                }
            }
        }
        return G_SOURCE_CONTINUE;  // let the dialog load the folder before answering
    }
    gint response = GTK_RESPONSE_CANCEL;
    // A dialog that keeps refusing is cancelled, so a failing test ends instead of hanging.
    if (t->accept && ++t->phase < 50) response = a->kind == 0 ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_OK;
    if (a->kind == 2) {
        gchar* text = nullptr;
        g_object_get(a->dialog, "text", &text, nullptr);
        g_lastAnsweredMessage.Set(text ? text : "");
        g_free(text);
    }
    t->responsesBefore = ResponseCount(a->dialog);
    gtk_dialog_response(GTK_DIALOG(a->dialog), response);
    // A file chooser refuses OK until its selection is there; try again on the next tick.
    if (ResponseCount(a->dialog) == t->responsesBefore) return G_SOURCE_CONTINUE;
    return DropAnswer(t);
}

}  // namespace

void OsTestAnswerNextDialog(int delayMs, int accept, const char* path, int filterIndex, int optionIndex)
{
    if (!GtkStart()) return;
    TestAnswer* t =
        new TestAnswer{accept, String(path), filterIndex, optionIndex, 0, GdkRGBA{0, 0, 0, 1}, 0, 0, nullptr, 0};
    g_timeout_add(guint(delayMs > 0 ? delayMs : 1), AnswerTimeout, t);
}

void OsTestAnswerNextColorDialog(int delayMs, int accept, int red, int green, int blue)
{
    if (!GtkStart()) return;
    GdkRGBA colour = {red / 255.0, green / 255.0, blue / 255.0, 1};
    TestAnswer* t = new TestAnswer{accept, String(), -1, -1, 1, colour, 0, 0, nullptr, 0};
    g_timeout_add(guint(delayMs > 0 ? delayMs : 1), AnswerTimeout, t);
}

void OsTestAnswerNextMessage(int delayMs, int accept)
{
    if (!GtkStart()) return;
    TestAnswer* t = new TestAnswer{accept, String(), -1, -1, 2, GdkRGBA{0, 0, 0, 1}, 0, 0, nullptr, 0};
    g_timeout_add(guint(delayMs > 0 ? delayMs : 1), AnswerTimeout, t);
}

int OsTestNativeDialogCount() { return g_dialogCount; }

const char* OsTestLastAnsweredMessage() { return g_lastAnsweredMessage.c_str(); }

namespace {

guint g_deadlineSource;
int g_deadlinePassed;

gboolean CancelOpenDialog(gpointer)
{
    ActiveDialog* a = g_active;
    if (!a || !a->dialog) return G_SOURCE_CONTINUE;
    g_deadlinePassed = 1;
    // GTK's own question first: the dialog below it waits for that answer.
    GtkWidget* question = QuestionOver(a->dialog);
    gtk_dialog_response(GTK_DIALOG(question ? question : a->dialog), GTK_RESPONSE_CANCEL);
    return G_SOURCE_CONTINUE;
}

gboolean DeadlineDue(gpointer)
{
    g_deadlineSource = g_timeout_add(50, CancelOpenDialog, nullptr);
    CancelOpenDialog(nullptr);
    return G_SOURCE_REMOVE;
}

}  // namespace

void OsTestSetDialogDeadline(int ms)
{
    if (!GtkStart()) return;
    if (g_deadlineSource) g_source_remove(g_deadlineSource);
    g_deadlineSource = 0;
    g_deadlinePassed = 0;
    if (ms > 0) g_deadlineSource = g_timeout_add(guint(ms), DeadlineDue, nullptr);
}

int OsTestDialogDeadlinePassed() { return g_deadlinePassed; }

int OsTestColorChooserSettings(String* out)
{
    out->Clear();
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, kColorChooserSchema, TRUE) : nullptr;
    if (!schema) return 0;
    g_settings_schema_unref(schema);
    GSettings* settings = g_settings_new(kColorChooserSchema);
    const char* const keys[] = {"custom-colors", "selected-color"};
    for (const char* key : keys) {
        GVariant* value = g_settings_get_value(settings, key);
        gchar* text = g_variant_print(value, FALSE);
        out->Append(key);
        out->Append("=");
        out->Append(text);
        out->Append("\n");
        g_free(text);
        g_variant_unref(value);
    }
    g_object_unref(settings);
    return 1;
}
