#include "ui/MainWindow.h"

#include "render/glDrawSurface.h"

#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>

namespace ui {

namespace {

glDrawSurface* buildMapView() {
    glDrawSurface* surface = new glDrawSurface(0, 25, 835, 850);
    surface->box(FL_NO_BOX);
    surface->color(49, 49);
    surface->labelsize(14);
    surface->labelcolor(56);
    return surface;
}

// The bar's filler takes every width the window gains, so the buttons keep their size.
void buildButtonBar(MainWindowWidgets& widgets) {
    Fl_Group* bar = new Fl_Group(0, 0, 835, 25);
    bar->box(FL_BORDER_FRAME);
    bar->color(0);
    widgets.graphics = new Fl_Button(90, 0, 90, 25, "Graphics");
    widgets.files = new Fl_Button(0, 0, 90, 25, "Files");
    Fl_Box* filler = new Fl_Box(360, 0, 475, 25);
    filler->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    filler->labelcolor(FL_RED);
    filler->labelfont(FL_HELVETICA_BOLD);
    widgets.alarm = filler;
    widgets.inputs = new Fl_Button(180, 0, 90, 25, "Inputs");
    widgets.outputs = new Fl_Button(270, 0, 90, 25, "Outputs");
    bar->resizable(filler);
    bar->end();
}

} // namespace

MainWindowWidgets MainWindow::build() {
    MainWindowWidgets widgets{};
    widgets.window = new Fl_Double_Window(837, 877, "Tarnell Map Tool");
    widgets.surface = buildMapView();
    buildButtonBar(widgets);
    widgets.window->resizable(widgets.surface);
    widgets.window->end();
    return widgets;
}

} // namespace ui
