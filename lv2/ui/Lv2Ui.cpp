#include "lv2/ui/Lv2Ui.h"

#include "gui/Frame.h"
#include "lv2/Features.h"
#include "lv2/Ports.h"

#include <lv2/atom/atom.h>

using namespace parvolino;

Lv2Ui* Lv2Ui::create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                     const LV2_Feature* const* features)
{
    auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(findLv2Feature(features, LV2_URID__map)));
    if (map == nullptr || write == nullptr)
        return nullptr;
    RemoteController::Host host;
    host.write = write;
    host.controller = controller;
    host.touch = static_cast<const LV2UI_Touch*>(findLv2Feature(features, LV2_UI__touch));
    Lv2Ui* ui = nullptr;
    try {
        ui = new Lv2Ui(map, host);
        void* parent = const_cast<void*>(findLv2Feature(features, LV2_UI__parent));
        const auto* resize = static_cast<const LV2UI_Resize*>(findLv2Feature(features, LV2_UI__resize));
        if (ui->open(parent, resize, widget))
            return ui;
    } catch (...) {
    }
    delete ui;
    return nullptr;
}

Lv2Ui::Lv2Ui(LV2_URID_Map* map, const RemoteController::Host& host)
    : urids_(*map), controller_(urids_, map, host), editor_(&controller_)
{
}

Lv2Ui::~Lv2Ui()
{
    controller_.leave();
    controller_.setEditor(nullptr);
    editor_.close();
}

bool Lv2Ui::open(void* parent, const LV2UI_Resize* resize, LV2UI_Widget* widget)
{
    const Rect shown = editor_.shownSize(parent);
    if (parent == nullptr) {
        // A host that cannot embed shows this window through the show interface.
        ownWindow_ = std::make_unique<TopLevelWindow>();
        if (!ownWindow_->create(shown.width(), shown.height(), "Parvolino"))
            return false;
        parent = reinterpret_cast<void*>(ownWindow_->id());
    }
    if (editor_.open(parent) == 0 || editor_.getFrame() == nullptr || editor_.getFrame()->getSystemWindow() == nullptr)
        return false;
    controller_.setEditor(&editor_);
    *widget = reinterpret_cast<LV2UI_Widget>(editor_.getFrame()->getSystemWindow());
    if (resize != nullptr)
        resize->ui_resize(resize->handle, shown.width(), shown.height());
    controller_.greet();
    return true;
}

void Lv2Ui::portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    if (buffer == nullptr)
        return;
    if (port >= lv2ports::kFirstParameterPort && port < lv2ports::kPortCount && format == 0 && size == sizeof(float)) {
        controller_.portChanged(int32_t(port - lv2ports::kFirstParameterPort), *static_cast<const float*>(buffer));
    } else if (port == lv2ports::kNotify && format == urids_.atomEventTransfer && size >= sizeof(LV2_Atom)) {
        const auto* atom = static_cast<const LV2_Atom*>(buffer);
        if (sizeof(LV2_Atom) + atom->size <= size)
            controller_.receive(*atom);
    }
}

int Lv2Ui::idle()
{
    editor_.idle();
    return ownWindow_ && ownWindow_->closeRequested() ? 1 : 0;
}

int Lv2Ui::show()
{
    if (ownWindow_)
        ownWindow_->show();
    return 0;
}

int Lv2Ui::hide()
{
    if (ownWindow_)
        ownWindow_->hide();
    return 0;
}
