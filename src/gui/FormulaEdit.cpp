#include "gui/FormulaEdit.h"

#include <QStringList>
#include <QValidator>
#include <algorithm>

#include "core/Cp932.h"
#include "gui/Language.h"
#include "gui/Texts.h"

namespace {

std::size_t Bytes(const QString& text) { return Cp932Length(text.toStdString()); }

// The index in the text of a 1-based character count: a character outside
// the basic plane takes two places.
int IndexOfCharacter(const QString& text, std::size_t character) {
  int index = 0;
  for (std::size_t k = 1; k < character && index < text.size(); ++k) {
    index += text[index].isHighSurrogate() ? 2 : 1;
  }
  return std::min(index, static_cast<int>(text.size()));
}

// Refuses a change that makes the text longer than the limit, counted in the
// bytes a parameter file stores. Shortening a text that is already too long
// (put in from a file) stays possible.
class ByteLimit : public QValidator {
 public:
  explicit ByteLimit(CFormulaEdit* edit) : QValidator(edit), m_pEdit(edit) {}
  State validate(QString& input, int&) const override {
    if (m_pEdit->Replacing()) return Acceptable;
    const std::size_t bytes = Bytes(input);
    if (bytes <= kMaxFormulaBytes || bytes <= Bytes(m_pEdit->PreviousText())) return Acceptable;
    return Invalid;
  }

 private:
  CFormulaEdit* m_pEdit;
};

}  // namespace

CFormulaEdit::CFormulaEdit(QWidget* parent) : QLineEdit(parent) {
  setValidator(new ByteLimit(this));
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
    m_previous = text;
    Check();
  });
}

void CFormulaEdit::Check() {
  const std::string formula = text().toStdString();
  m_fault = CheckFormulaWithPosition(formula, m_names);
  m_notes = Faulty() ? std::vector<FormulaNote>() : FormulaNotes(formula, m_names);
  emit checked();
}

void CFormulaEdit::SetParameterNames(std::vector<std::string> names) {
  if (names == m_names) return;
  m_names = std::move(names);
  Check();
}

void CFormulaEdit::ReplaceUndoably(const QString& text) {
  m_bReplacing = true;
  selectAll();
  insert(text);
  m_bReplacing = false;
}

QString CFormulaEdit::FaultNote() const {
  if (!Faulty()) return {};
  QString note = Tr(FormulaCheckMessage(m_fault.check));
  // An empty box has no place to point at.
  if (m_fault.check != FormulaCheck::Empty) {
    note += Tr(texts::kFaultPosition).arg(m_fault.position);
  }
  return note;
}

QString CFormulaEdit::Note() const {
  if (Faulty()) return FaultNote();
  QStringList notes;
  for (const FormulaNote& note : m_notes)
    notes << Tr(note.text) + Tr(texts::kFaultPosition).arg(note.position);
  return notes.join(QStringLiteral("  "));
}

void CFormulaEdit::SelectFault() {
  if (!Faulty()) return;
  const QString content = text();
  const int first = IndexOfCharacter(content, m_fault.position);
  const int end = IndexOfCharacter(content, m_fault.position + m_fault.length);
  setSelection(first, end - first);
}
