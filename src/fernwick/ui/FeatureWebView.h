#pragma once

#include <QObject>
#include <QString>
#include <QtPlugin>
#include <functional>

class QUrl;
class QWidget;

namespace sweeplight::fernwick {

// How a navigation inside the page came about; the values follow the web engine's own.
enum class FeatureNavigationType {
    LinkClicked = 0,
    Typed,
    FormSubmitted,
    BackForward,
    Reload,
    Other,
    Redirect,
};

// The embedded browser of a feature page. It lives in a plugin of its own, so that the web
// engine (and the QML and Quick libraries under it) is only loaded when a page is first shown.
class FeatureWebView {
public:
    // Asked before every navigation of the page: whether the view may load it itself.
    using LinkPolicy = std::function<bool(const QUrl& url, FeatureNavigationType type)>;

    virtual ~FeatureWebView() = default;
    // The view itself, owned by the parent it was made with.
    virtual QWidget* widget() = 0;
    virtual void setHtml(const QString& html) = 0;
    virtual void load(const QUrl& url) = 0;
};

// What the plugin offers.
class FeatureWebViewPlugin {
public:
    virtual ~FeatureWebViewPlugin() = default;
    // A new view, child of `parent`, that asks `policy` before each navigation.
    virtual FeatureWebView* createWebView(QWidget* parent, FeatureWebView::LinkPolicy policy) = 0;
};

} // namespace sweeplight::fernwick

#define SweeplightFeatureWebViewPlugin_iid "org.sweeplight.FeatureWebViewPlugin/1"
Q_DECLARE_INTERFACE(sweeplight::fernwick::FeatureWebViewPlugin, SweeplightFeatureWebViewPlugin_iid)
