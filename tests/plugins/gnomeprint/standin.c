/* A stand-in for the GNOME print library, for the printing tests: the entry points the
 * framework binds, over GObjects and a GtkDialog of its own.
 *
 *  QVTEST_PRINT_CONFIG  a key file, group [Config]: integer keys as the configuration names
 *                       them, lengths as "<number> <unit>" (pt, mm, cm, in).
 *  QVTEST_PRINT_OUT     a folder: every call is appended to calls.log, one line each; each
 *                       page's RGB image is written to page-<name>.ppm.
 *
 * Built with QV_STANDIN_LACKS_ONE it has every entry point but gnome_print_line_stroked. */
#include <glib-object.h>
#include <gtk/gtk.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct {
  guint version;
  guint base;
  double unitToBase;
  const char* name;
  const char* abbreviation;
  const char* plural;
  const char* abbreviationPlural;
} StandinUnit;

static const StandinUnit kUnits[] = {
    {0, 2, 1.0, "Point", "pt", "Points", "pts"},
    {0, 2, 72.0 / 25.4, "Millimeter", "mm", "Millimeters", "mm"},
    {0, 2, 72.0 / 2.54, "Centimeter", "cm", "Centimeters", "cm"},
    {0, 2, 72.0, "Inch", "in", "Inches", "in"},
};

static int gNextId = 1;

static void Log(const char* format, ...) {
  const char* folder = getenv("QVTEST_PRINT_OUT");
  if (!folder) return;
  char* path = g_build_filename(folder, "calls.log", NULL);
  FILE* file = fopen(path, "a");
  g_free(path);
  if (!file) return;
  va_list arguments;
  va_start(arguments, format);
  vfprintf(file, format, arguments);
  va_end(arguments);
  fputc('\n', file);
  fclose(file);
}

static int IdOf(void* object) { return GPOINTER_TO_INT(g_object_get_data(object, "standin-id")); }

static void Released(gpointer kind, GObject* gone) {
  (void)gone;
  Log("release %s", (const char*)kind);
  g_free(kind);
}

/* A new object that logs its release: "release <kind> <id>". */
static GObject* NewObject(const char* kind, int id) {
  GObject* object = g_object_new(G_TYPE_OBJECT, NULL);
  g_object_set_data(object, "standin-id", GINT_TO_POINTER(id));
  g_object_weak_ref(object, Released, g_strdup_printf("%s %d", kind, id));
  return object;
}

static GKeyFile* KeysOf(void* config) { return config ? g_object_get_data(config, "keys") : NULL; }

/* ---- jobs ---- */

void* gnome_print_job_new(void* config) {
  (void)config;
  const int id = gNextId++;
  GObject* job = NewObject("job", id);
  GObject* keysOwner = NewObject("config", id);
  GKeyFile* keys = g_key_file_new();
  const char* path = getenv("QVTEST_PRINT_CONFIG");
  if (path) g_key_file_load_from_file(keys, path, G_KEY_FILE_NONE, NULL);
  g_object_set_data_full(keysOwner, "keys", keys, (GDestroyNotify)g_key_file_free);
  g_object_set_data_full(job, "config", keysOwner, g_object_unref);
  g_object_set_data_full(job, "context", NewObject("context", id), g_object_unref);
  Log("job_new %d", id);
  return job;
}

void* gnome_print_job_get_context(void* job) {
  return g_object_ref(g_object_get_data(job, "context"));
}

void* gnome_print_job_get_config(void* job) {
  return g_object_ref(g_object_get_data(job, "config"));
}

int gnome_print_job_close(void* job) {
  Log("job_close %d", IdOf(job));
  return 0;
}

int gnome_print_job_print(void* job) {
  Log("job_print %d", IdOf(job));
  return 0;
}

int gnome_print_job_print_to_file(void* job, const char* path) {
  Log("job_print_to_file %d %s", IdOf(job), path);
  return 0;
}

/* ---- the configuration ---- */

gboolean gnome_print_config_get_int(void* config, const char* key, int* value) {
  GKeyFile* keys = KeysOf(config);
  GError* error = NULL;
  if (!keys || !value) return FALSE;
  const int read = g_key_file_get_integer(keys, "Config", key, &error);
  if (error) {
    g_error_free(error);
    return FALSE;
  }
  *value = read;
  return TRUE;
}

gboolean gnome_print_config_get_length(void* config, const char* key, double* value,
                                       const StandinUnit** unit) {
  GKeyFile* keys = KeysOf(config);
  if (!keys || !value) return FALSE;
  char* text = g_key_file_get_value(keys, "Config", key, NULL);
  if (!text) return FALSE;
  double number = 0;
  char abbreviation[16] = "";
  const int fields = sscanf(text, "%lf %15s", &number, abbreviation);
  g_free(text);
  if (fields != 2) return FALSE;
  for (size_t i = 0; i < sizeof kUnits / sizeof kUnits[0]; ++i) {
    if (strcmp(kUnits[i].abbreviation, abbreviation) != 0) continue;
    *value = number;
    if (unit) *unit = &kUnits[i];
    return TRUE;
  }
  return FALSE;
}

gboolean gnome_print_config_get_double(void* config, const char* key, double* value) {
  (void)config;
  (void)value;
  Log("config_get_double %s", key);
  return FALSE;
}

char* gnome_print_config_get(void* config, const char* key) {
  (void)config;
  Log("config_get %s", key);
  return NULL;
}

void gnome_print_config_dump(void* config) {
  (void)config;
  Log("config_dump");
}

/* ---- drawing ---- */

int gnome_print_beginpage(void* context, const char* name) {
  g_object_set_data_full(context, "page", g_strdup(name), g_free);
  Log("beginpage %s", name);
  return 0;
}

int gnome_print_showpage(void* context) {
  (void)context;
  Log("showpage");
  return 0;
}

int gnome_print_gsave(void* context) {
  (void)context;
  Log("gsave");
  return 0;
}

int gnome_print_grestore(void* context) {
  (void)context;
  Log("grestore");
  return 0;
}

int gnome_print_concat(void* context, const double* matrix) {
  (void)context;
  Log("concat %.6f %.6f %.6f %.6f %.6f %.6f", matrix[0], matrix[1], matrix[2], matrix[3],
      matrix[4], matrix[5]);
  return 0;
}

int gnome_print_moveto(void* context, double x, double y) {
  (void)context;
  Log("moveto %.6f %.6f", x, y);
  return 0;
}

int gnome_print_translate(void* context, double x, double y) {
  (void)context;
  Log("translate %.6f %.6f", x, y);
  return 0;
}

int gnome_print_show(void* context, const char* text) {
  (void)context;
  Log("show %s", text);
  return 0;
}

int gnome_print_rect_stroked(void* context, double x, double y, double width, double height) {
  (void)context;
  Log("rect_stroked %.6f %.6f %.6f %.6f", x, y, width, height);
  return 0;
}

#ifndef QV_STANDIN_LACKS_ONE
int gnome_print_line_stroked(void* context, double x0, double y0, double x1, double y1) {
  (void)context;
  Log("line_stroked %.6f %.6f %.6f %.6f", x0, y0, x1, y1);
  return 0;
}
#endif

/* The image as a binary PPM of its rows, named after the page begun. */
int gnome_print_rgbimage(void* context, const unsigned char* pixels, int width, int height,
                         int rowStride) {
  const char* page = g_object_get_data(context, "page");
  const char* folder = getenv("QVTEST_PRINT_OUT");
  Log("rgbimage %d %d %d", width, height, rowStride);
  if (!folder || !page) return -1;
  char* name = g_strdup_printf("page-%s.ppm", page);
  char* path = g_build_filename(folder, name, NULL);
  g_free(name);
  FILE* file = fopen(path, "wb");
  g_free(path);
  if (!file) return -1;
  fprintf(file, "P6\n%d %d\n255\n", width, height);
  for (int row = 0; row < height; ++row) fwrite(pixels + (size_t)row * rowStride, 3, width, file);
  fclose(file);
  return 0;
}

/* ---- the dialog: copies, a range, Print (1) and Cancel ---- */

enum { kResponsePrint = 1 };

static GtkWidget* AddSpin(GtkWidget* dialog, const char* caption, const char* name, int low,
                          int high, int value) {
  GtkWidget* row = gtk_hbox_new(FALSE, 6);
  GtkWidget* spin = gtk_spin_button_new_with_range(low, high, 1);
  gtk_widget_set_name(spin, name);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), value);
  gtk_box_pack_start(GTK_BOX(row), gtk_label_new(caption), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), spin, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(GTK_DIALOG(dialog)->vbox), row, FALSE, FALSE, 0);
  gtk_widget_show_all(row);
  g_object_set_data(G_OBJECT(dialog), name, spin);
  return spin;
}

static int SpinValue(void* dialog, const char* name) {
  GtkWidget* spin = g_object_get_data(G_OBJECT(dialog), name);
  if (!spin) return 0;
  gtk_spin_button_update(GTK_SPIN_BUTTON(spin));
  return gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(spin));
}

/* Print writes the copies into the job's configuration, as the library's dialog does. */
static void Answered(GtkDialog* dialog, int response, gpointer config) {
  Log("dialog_response %d", response);
  if (response != kResponsePrint) return;
  g_key_file_set_integer(KeysOf(config), "Config", "Settings.Output.Job.NumCopies",
                         SpinValue(dialog, "copies"));
}

GtkWidget* gnome_print_dialog_new(void* job, const char* title, int flags) {
  GtkWidget* dialog = gtk_dialog_new();
  gtk_window_set_title(GTK_WINDOW(dialog), title);
  void* config = gnome_print_job_get_config(job);
  g_object_set_data_full(G_OBJECT(dialog), "config", config, g_object_unref);
  int copies = 1;
  gnome_print_config_get_int(config, "Settings.Output.Job.NumCopies", &copies);
  AddSpin(dialog, "Copies", "copies", 1, 999, copies);
  gtk_dialog_add_button(GTK_DIALOG(dialog), "Cancel", GTK_RESPONSE_CANCEL);
  gtk_dialog_add_button(GTK_DIALOG(dialog), "Print", kResponsePrint);
  g_signal_connect(dialog, "response", G_CALLBACK(Answered), config);
  Log("dialog_new %d %s %d", IdOf(job), title, flags);
  return dialog;
}

void gnome_print_dialog_construct_range_page(GtkWidget* dialog, int flags, int start, int end,
                                             const char* currentLabel, const char* rangeLabel) {
  Log("construct_range_page %d %d %d %s %s", flags, start, end, currentLabel, rangeLabel);
  GtkWidget* label = gtk_label_new(rangeLabel);
  gtk_box_pack_start(GTK_BOX(GTK_DIALOG(dialog)->vbox), label, FALSE, FALSE, 0);
  gtk_widget_show(label);
  AddSpin(dialog, "From", "from", start, end, start);
  AddSpin(dialog, "To", "to", start, end, start);
}

int gnome_print_dialog_get_range_page(GtkWidget* dialog, int* start, int* end) {
  *start = SpinValue(dialog, "from");
  *end = SpinValue(dialog, "to");
  Log("get_range_page %d %d", *start, *end);
  return 2;
}

GType gnome_print_dialog_get_type(void) { return GTK_TYPE_DIALOG; }

void gnome_print_dialog_construct(GtkWidget* dialog, void* job, int flags) {
  (void)dialog;
  Log("dialog_construct %d %d", IdOf(job), flags);
}
