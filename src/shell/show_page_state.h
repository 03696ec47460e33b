#pragma once
// Which of its six pages the window shows. Every change of page is followed
// by a re-layout that shows that page's controls and sets the toolbar.
namespace tarvex::shell {

class CShowPageState {
 public:
  enum Page {
    kMode = 0,       // the choice of Standard or Template Mode
    kIdle = 1,       // the prompt to press Repair
    kRepairing = 2,  // the running log
    kPreview = 3,    // the recovered tables and their rows
    kSaving = 4,     // the running log of the save
    kDone = 5,       // the saved database
  };

  Page Get() const { return page_; }
  void Set(Page page) { page_ = page; }

  // The page to go back to when a job on this page ends without its result:
  // a repair goes back to the prompt, a save to the preview.
  static Page SteppedBack(Page page) {
    switch (page) {
      case kMode:
      case kIdle:
        return page;
      case kRepairing:
      case kPreview:
        return kIdle;
      case kSaving:
      case kDone:
        return kPreview;
    }
    return kIdle;
  }

  // The toolbar commands each page allows.
  static bool RepairAllowed(Page page) { return page != kRepairing && page != kSaving; }
  static bool StopAllowed(Page page) { return page == kRepairing || page == kSaving; }
  static bool SaveAllowed(Page page) { return page == kPreview || page == kDone; }

 private:
  Page page_ = kMode;
};

}  // namespace tarvex::shell
