#pragma once
// The three identity boxes of the status frame (identityBox 0-2: serial number, station id, user
// id). A typed key is taken only when the text it would make is a valid identity text (digits,
// A-Z, space, "*" and "-", within the box's length); lower-case letters become upper case; a
// refused key beeps and says why (a tooltip at the box and the `refused` signal). Leaving a box
// stores a valid text in the model and puts the model's text back otherwise (a paste or a program
// change may bring anything).

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class QLineEdit;

namespace vq {

class InstrumentModel;

// The longest text of each box: serial number 20, station id 16, user id 16.
inline constexpr std::array<int, 3> identityLengths{20, 16, 16};

// True when `text` may be stored as an identity text of at most `maxLength` characters.
bool IsIdentityText(const QString& text, int maxLength);

// The text a box would hold after typing `typed` over the selection [selStart, selStart +
// selLength) of `text`, the letters turned to upper case; nothing when that text is not a valid
// identity text.
std::optional<QString> TextAfterKey(const QString& text, int selStart, int selLength,
                                    const QString& typed, int maxLength);

class IdentityBoxes : public QObject {
    Q_OBJECT
  public:
    // The boxes stay owned by their window; `beep` sounds for a refused key (empty: the
    // platform's beep).
    IdentityBoxes(std::array<QLineEdit*, 3> boxes, InstrumentModel& model,
                  std::function<void()> beep = {}, QObject* parent = nullptr);

    // The model's texts into the boxes.
    void showModel();
    // The leave rule of box i.
    void leaveBox(int i);

  signals:
    // A typed key was refused, with the reason (too long, a character not allowed).
    void refused(const QString& reason);
    // A box's text went into the model.
    void stored();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int indexOf(QObject* box) const;
    QString modelText(int i) const;
    void storeText(int i, const QString& text);

    std::array<QLineEdit*, 3> boxes_;
    InstrumentModel& model_;
    std::function<void()> beep_;
};

}  // namespace vq
