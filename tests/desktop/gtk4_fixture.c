// The GTK 4 application the desktop tests drive, so that they do not depend
// on the toolkit's demos. Its window "Tonnix GTK 4 Fixture" holds a push
// button "Press Me", a check button "Check Me", a toggle button "Toggle Me",
// the radio buttons "Radio One" and "Radio Two", a menu button "Menu" whose
// popover menu holds "Open Dialog" and "New Window", and the drop-down
// "Pick Me". By keys (there is no window frame to click without a window
// manager): Ctrl+D opens the modal "Fixture Dialog" (OK is its default
// button; Escape, OK and Cancel close it), Ctrl+N the window "Fixture
// Second Window", Ctrl+W closes that, Ctrl+M opens the menu button's menu,
// Ctrl+H hides or shows "Press Me" (the controls below it move).

#include <gtk/gtk.h>

static GtkWindow* mainWindow;
static GtkWindow* secondWindow;
static GtkMenuButton* menuButton;
static GtkWidget* pressMe;

static void closeOnEscape(GtkWindow* window) {
  GtkEventController* keys = gtk_shortcut_controller_new();
  gtk_shortcut_controller_add_shortcut(GTK_SHORTCUT_CONTROLLER(keys),
                                       gtk_shortcut_new(gtk_keyval_trigger_new(GDK_KEY_Escape, 0),
                                                        gtk_named_action_new("window.close")));
  gtk_widget_add_controller(GTK_WIDGET(window), keys);
}

static GtkWidget* closingButton(const char* label, GtkWindow* window) {
  GtkWidget* button = gtk_button_new_with_label(label);
  g_signal_connect_swapped(button, "clicked", G_CALLBACK(gtk_window_close), window);
  return button;
}

static void openDialog(GSimpleAction* action, GVariant* parameter, gpointer data) {
  (void)action, (void)parameter, (void)data;
  // A window in the dialog role: GtkDialog is on its way out of GTK 4.
  GtkWindow* dialog = g_object_new(GTK_TYPE_WINDOW, "accessible-role", GTK_ACCESSIBLE_ROLE_DIALOG,
                                   "title", "Fixture Dialog", NULL);
  gtk_window_set_transient_for(dialog, mainWindow);
  gtk_window_set_modal(dialog, TRUE);
  GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  GtkWidget* ok = closingButton("OK", dialog);
  gtk_box_append(GTK_BOX(buttons), closingButton("Cancel", dialog));
  gtk_box_append(GTK_BOX(buttons), ok);
  gtk_window_set_child(dialog, buttons);
  gtk_window_set_default_widget(dialog, ok);
  closeOnEscape(dialog);
  gtk_window_present(dialog);
}

static void openSecondWindow(GSimpleAction* action, GVariant* parameter, gpointer application) {
  (void)action, (void)parameter;
  if (secondWindow) return;
  secondWindow = GTK_WINDOW(gtk_application_window_new(application));
  g_object_add_weak_pointer(G_OBJECT(secondWindow), (gpointer*)&secondWindow);
  gtk_window_set_title(secondWindow, "Fixture Second Window");
  gtk_window_set_child(secondWindow, gtk_label_new("A second window."));
  gtk_window_set_default_size(secondWindow, 320, 200);
  gtk_window_present(secondWindow);
}

static void closeSecondWindow(GSimpleAction* action, GVariant* parameter, gpointer data) {
  (void)action, (void)parameter, (void)data;
  if (secondWindow) gtk_window_close(secondWindow);
}

static void openMenu(GSimpleAction* action, GVariant* parameter, gpointer data) {
  (void)action, (void)parameter, (void)data;
  gtk_menu_button_popup(menuButton);
}

static void hidePressMe(GSimpleAction* action, GVariant* parameter, gpointer data) {
  (void)action, (void)parameter, (void)data;
  gtk_widget_set_visible(pressMe, !gtk_widget_get_visible(pressMe));
}

static GtkWidget* controls(void) {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
  gtk_widget_set_margin_start(box, 24);
  gtk_widget_set_margin_top(box, 24);
  pressMe = gtk_button_new_with_label("Press Me");
  gtk_box_append(GTK_BOX(box), pressMe);
  gtk_box_append(GTK_BOX(box), gtk_check_button_new_with_label("Check Me"));
  gtk_box_append(GTK_BOX(box), gtk_toggle_button_new_with_label("Toggle Me"));
  GtkWidget* first = gtk_check_button_new_with_label("Radio One");
  GtkWidget* second = gtk_check_button_new_with_label("Radio Two");
  gtk_check_button_set_group(GTK_CHECK_BUTTON(second), GTK_CHECK_BUTTON(first));
  gtk_box_append(GTK_BOX(box), first);
  gtk_box_append(GTK_BOX(box), second);

  GMenu* menu = g_menu_new();
  g_menu_append(menu, "Open Dialog", "app.dialog");
  g_menu_append(menu, "New Window", "app.new-window");
  menuButton = GTK_MENU_BUTTON(gtk_menu_button_new());
  gtk_menu_button_set_label(menuButton, "Menu");
  gtk_menu_button_set_menu_model(menuButton, G_MENU_MODEL(menu));
  g_object_unref(menu);
  gtk_box_append(GTK_BOX(box), GTK_WIDGET(menuButton));

  const char* const items[] = {"Alpha", "Beta", "Gamma", NULL};
  GtkWidget* pick = gtk_drop_down_new_from_strings(items);
  gtk_accessible_update_property(GTK_ACCESSIBLE(pick), GTK_ACCESSIBLE_PROPERTY_LABEL, "Pick Me",
                                 -1);
  gtk_box_append(GTK_BOX(box), pick);
  for (GtkWidget* child = gtk_widget_get_first_child(box); child;
       child = gtk_widget_get_next_sibling(child)) {
    gtk_widget_set_halign(child, GTK_ALIGN_START);
  }
  return box;
}

static void activate(GtkApplication* application, gpointer data) {
  (void)data;
  const GActionEntry actions[] = {
      {.name = "dialog", .activate = openDialog},
      {.name = "new-window", .activate = openSecondWindow},
      {.name = "close-window", .activate = closeSecondWindow},
      {.name = "menu", .activate = openMenu},
      {.name = "hide", .activate = hidePressMe},
  };
  g_action_map_add_action_entries(G_ACTION_MAP(application), actions, G_N_ELEMENTS(actions),
                                  application);
  const struct {
    const char* action;
    const char* keys[2];
  } accelerators[] = {
      {"app.dialog", {"<Control>d", NULL}},       {"app.new-window", {"<Control>n", NULL}},
      {"app.close-window", {"<Control>w", NULL}}, {"app.menu", {"<Control>m", NULL}},
      {"app.hide", {"<Control>h", NULL}},
  };
  for (size_t index = 0; index < G_N_ELEMENTS(accelerators); ++index) {
    gtk_application_set_accels_for_action(application, accelerators[index].action,
                                          accelerators[index].keys);
  }
  mainWindow = GTK_WINDOW(gtk_application_window_new(application));
  gtk_window_set_title(mainWindow, "Tonnix GTK 4 Fixture");
  gtk_window_set_default_size(mainWindow, 640, 480);
  gtk_window_set_child(mainWindow, controls());
  gtk_window_present(mainWindow);
}

int main(int argc, char** argv) {
  GtkApplication* application =
      gtk_application_new("org.tonnix.Gtk4Fixture", G_APPLICATION_NON_UNIQUE);
  g_signal_connect(application, "activate", G_CALLBACK(activate), NULL);
  const int status = g_application_run(G_APPLICATION(application), argc, argv);
  g_object_unref(application);
  return status;
}
