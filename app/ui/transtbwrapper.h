// TransTBWrapper: lets a toolbar sit in a cool-bar band and draw flat and
// transparent. It takes an existing toolbar, hides it where it was, and hosts
// its button strip in the band with the computed style.
//
// A cool bar is any container marked with markCoolBar(); the wrapper's band is
// that container. The toolbar's style is kept as a style word with the bits
// below, stored on the toolbar itself, so that a toolbar returned by the
// wrapper gets its saved style back.
#pragma once

#include <QPointer>
#include <QWidget>

#include <QToolBar>

class TransTBWrapper : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool ListStyle READ ListStyle WRITE setListStyle)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)

public:
    // Style bits of the toolbar's style word.
    enum StyleBits : quint32 {
        CCS_NORESIZE = 0x4,
        CCS_NODIVIDER = 0x40,
        TBSTYLE_FLAT = 0x800,
        TBSTYLE_LIST = 0x1000,
        TBSTYLE_TRANSPARENT = 0x8000,
    };

    explicit TransTBWrapper(QWidget* parent = nullptr);
    ~TransTBWrapper() override;

    QToolBar* Toolbar() const { return m_toolbar; }
    // Attaches a toolbar (nullptr detaches). The previous one gets its saved
    // style back, returns to where it came from and stays hidden.
    void setToolbar(QToolBar* toolbar);

    bool ListStyle() const { return m_listStyle; }
    void setListStyle(bool value);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool value);

    // The widget a band adopts: the toolbar while one is attached, else the wrapper.
    QWidget* hWnd() const;

    // Re-adopts the wrapper in its cool-bar band and sizes the band (after the
    // wrapper was placed in one).
    void AdjustBand() { adjustBand(); }

    // The style word the toolbar had when it was attached.
    quint32 savedStyle() const { return m_savedStyle; }

    // Counters of the work done, so that callers can tell a no-op from a change.
    int styleMessages() const { return m_styleMessages; }
    int bandAdjustments() const { return m_bandAdjustments; }
    int pictureRefreshes() const { return m_pictureRefreshes; }

    // Saved properties: "ListStyle" and "Transparent", both false by default.
    void readProperties(const QVariantMap& bag);
    QVariantMap writeProperties() const;

    // Marks a container as a cool bar with the given orientation.
    static void markCoolBar(QWidget* container, Qt::Orientation orientation);

    // The rules, as plain functions.
    static quint32 computeStyle(quint32 saved, bool listStyle, bool transparent);
    // Extent of the band across its orientation: the button's height (width for
    // a vertical cool bar), plus twice the first button's offset unless transparent.
    static int bandExtent(int buttonExtent, int firstButtonOffset, bool transparent);

    // A toolbar's style word (0 for one never styled) and its setter, which
    // also gives the toolbar the look the bits ask for.
    static quint32 toolbarStyle(const QToolBar* toolbar);
    static void setToolbarStyle(QToolBar* toolbar, quint32 style);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyStyle();
    void refreshPictures();
    void adjustBand();
    QWidget* coolBar() const;
    int extent() const;

    QPointer<QToolBar> m_toolbar;
    QPointer<QWidget> m_toolbarHome; // where the attached toolbar came from
    bool m_listStyle = false;
    bool m_transparent = false;
    quint32 m_savedStyle = 0;
    int m_styleMessages = 0;
    int m_bandAdjustments = 0;
    int m_pictureRefreshes = 0;

    static bool s_resizing; // set while a wrapper sets its own size
};
