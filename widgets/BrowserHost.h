#pragma once
// What the browser control needs of the page view that hosts it: load an address, replace the
// current document by an HTML text, set the page's border, and report back completed documents,
// clicked links and context-menu requests. The Qt version is widgets/qt/QtBrowserHost.h, the
// headless one widgets/HeadlessBrowserHost.h. GUI thread only; the events arrive on it too.
#include <string>

namespace olv {

// Messages of the page view that the control may filter.
enum class BrowserMessage {
  ContextMenu,  // the user asked for the view's own context menu
};

class BrowserHostEvents {
 public:
  virtual ~BrowserHostEvents() = default;
  // A navigation produced its document; the handler may change url's text as it is reported on.
  virtual void DocumentComplete(std::string& url) = 0;
  // The user clicked a link to url; true cancels the navigation.
  virtual bool BeforeNavigate(const std::string& url) = 0;
  // True: the message is handled and the view does not act on it.
  virtual bool FilterMessage(BrowserMessage message) = 0;
};

class BrowserHost {
 public:
  virtual ~BrowserHost() = default;
  // Where events go; null detaches. The host never owns its listener.
  virtual void SetEvents(BrowserHostEvents* events) = 0;
  // Starts loading url; DocumentComplete follows when it produced a document. False: the address
  // cannot be shown at all.
  virtual bool Navigate(const std::string& url) = 0;
  // Whether there is a current document to write into.
  virtual bool HasDocument() const = 0;
  // Replaces the whole current document by the HTML text (writes it, then closes the document).
  virtual bool ReplaceDocument(const std::string& html) = 0;
  // Sets the border width, in pixels, of the current document's body.
  virtual bool SetBodyBorderWidth(int width) = 0;
  // The view's size in pixels, for pages laid out to fit it.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
};

}  // namespace olv
