#pragma once
// Screenshot scenes. Any .cpp file in this folder registers windows to be pictured with
//
//     TIDYQUILL_SCENE("main-idle") {
//         auto& dialog = scene.Make<ui::CTidyquillDlg>(...);   // kept alive until the picture is taken
//         dialog.Create();                                      // modeless: the picture program runs the loop
//         ... put the window in the state to show ...
//         return dialog.GetHwnd();                              // the top-level window to picture
//     }
//
// The picture program shows each scene's window at the top-left of the screen, lets it paint, copies its pixels
// (frame and caption included) into build/screenshots/<scene>-<dpi>.png and then lets the scene's objects go, last
// made first. A scene answers null when it cannot be shown; that fails the run.

#include <windows.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace screenshots {

class Scene {
public:
    Scene() = default;
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Makes an object that lives until the picture has been taken.
    template <typename T, typename... Args> T& Make(Args&&... args) {
        auto object = std::make_shared<T>(std::forward<Args>(args)...);
        T& reference = *object;
        objects_.push_back(std::move(object));
        return reference;
    }
    // Runs once the window is in its place on the screen and has painted, before the picture (for example to put
    // the mouse pointer over a control).
    void AfterShown(std::function<void()> action) { afterShown_.push_back(std::move(action)); }
    void RunAfterShown() {
        for (auto& action : afterShown_)
            action();
    }
    // Runs after the picture, before the objects go (for example to end a worker thread).
    void AtEnd(std::function<void()> action) { atEnd_.push_back(std::move(action)); }
    // Takes the picture now, of these windows as they lie on the screen (for example a dialog and a menu it
    // opened); the picture program then saves it instead of taking one of the scene's window.
    void TakePicture(const std::vector<HWND>& windows);
    bool HasPicture() const { return !picture_.empty(); }
    // The picture: 24-bit rows, bottom row first, each padded to four bytes, as a BMP file holds them.
    const std::vector<unsigned char>& GetPicture(int& width, int& height) const {
        width = pictureWidth_;
        height = pictureHeight_;
        return picture_;
    }
    // Lets the windows handle what is queued for about this long.
    static void Settle(unsigned milliseconds);
    // Moves the mouse pointer over a window (the centre of its rectangle), for hover states.
    static void PointAt(HWND window);

private:
    std::vector<std::shared_ptr<void>> objects_;
    std::vector<std::function<void()>> afterShown_;
    std::vector<unsigned char> picture_;
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    std::vector<std::function<void()>> atEnd_;
};

using SceneFunction = HWND (*)(Scene& scene);

// Adds a scene under a name (letters, digits and '-'); answers true so that it can initialise a static.
bool RegisterScene(const char* name, SceneFunction function);

// Opens a context menu (openMenu shows it and returns when it closes) and pictures it with its owner from inside
// the menu's loop, then ends the menu.
void PictureContextMenu(Scene& scene, HWND owner, const std::function<void()>& openMenu);

} // namespace screenshots

#define TIDYQUILL_SCENE_JOIN2(a, b) a##b
#define TIDYQUILL_SCENE_JOIN(a, b) TIDYQUILL_SCENE_JOIN2(a, b)
#define TIDYQUILL_SCENE(name)                                                                                          \
    static HWND TIDYQUILL_SCENE_JOIN(tidyquillScene, __LINE__)(::screenshots::Scene & scene);                          \
    static const bool TIDYQUILL_SCENE_JOIN(tidyquillSceneRegistered, __LINE__) =                                       \
        ::screenshots::RegisterScene(name, &TIDYQUILL_SCENE_JOIN(tidyquillScene, __LINE__));                           \
    static HWND TIDYQUILL_SCENE_JOIN(tidyquillScene, __LINE__)([[maybe_unused]] ::screenshots::Scene & scene)
