#include "gui/OrvexView.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <cmath>

#include "core/DibImage.h"
#include "core/ParaFile.h"
#include "core/SafeSave.h"
#include "core/ShareData.h"
#include "gui/Colours.h"
#include "gui/MainFrame.h"
#include "gui/Prompts.h"
#include "gui/Texts.h"

namespace {

// Moves the state on only if nobody changed it since it was read.
void ReplaceState(int from, int to) { g_ShareData.m_nState.compare_exchange_strong(from, to); }

}  // namespace

COrvexView::COrvexView(CMainFrame* frame) : QWidget(frame), m_pFrame(frame), m_run(this) {
  setObjectName(QStringLiteral("view"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  m_para = frame->m_para;
  m_formula.Tokenize(m_para.m_strFormula);
  m_formula.MakePostfix();
}

COrvexView::~COrvexView() = default;

QSize COrvexView::DeviceSize() const {
  const qreal ratio = devicePixelRatioF();
  return QSize(static_cast<int>(std::lround(width() * ratio)),
               static_cast<int>(std::lround(height() * ratio)));
}

void COrvexView::RebuildBacking() {
  m_backing = QImage(DeviceSize(), QImage::Format_RGB32);
  ClearPicture();
}

void COrvexView::ClearPicture() {
  m_backing.fill(IdleColour(m_para.m_nDrawStyle));
  m_bAcceptFrames = false;
}

QImage COrvexView::ShownPicture() const {
  QImage shown(DeviceSize(), QImage::Format_RGB32);
  shown.fill(IdleColour(m_para.m_nDrawStyle));
  QPainter painter(&shown);
  painter.drawImage(0, 0, m_backing);
  return shown;
}

void COrvexView::paintEvent(QPaintEvent*) {
  if (!m_bPaintedOnce) {
    m_bPaintedOnce = true;
    // Not from inside the paint: showing the panel changes the layout.
    QMetaObject::invokeMethod(
        m_pFrame, [frame = m_pFrame] { frame->ApplyParamBar(); }, Qt::QueuedConnection);
    emit firstPainted();
  }
  m_para = m_pFrame->m_para;
  const int state = g_ShareData.m_nState.load();
  if (state == DS_INITIAL || state == DS_CLEAR) {
    RebuildBacking();
    ReplaceState(state, DS_IDLE);
  } else if (state == DS_LOADED) {
    m_pFrame->ApplyParamBar();
    m_pFrame->RefreshBars();
    RebuildBacking();
    ReplaceState(state, DS_IDLE);
  }
  // The client shows the idle colour with the backing image at its top left:
  // a client grown since the picture was made shows the colour around it.
  QPainter painter(this);
  painter.fillRect(rect(), IdleColour(m_para.m_nDrawStyle));
  const qreal ratio = devicePixelRatioF();
  painter.drawImage(QRectF(0, 0, m_backing.width() / ratio, m_backing.height() / ratio), m_backing);
}

void COrvexView::OnStart() {
  if (IsBusy()) return;
  m_pFrame->CommitTyping();
  m_para = m_pFrame->m_para;
  // Only a formula read from a file can get here unchecked.
  if (!HasDrawableValues(m_para)) {
    ShowMessage(this, QString::fromUtf8(PARA_NOT_DRAWABLE_MESSAGE));
    return;
  }
  if (FormulaTooLongToRun(m_para.m_strFormula)) {
    ShowMessage(this, QString::fromUtf8(FORMULA_TOO_LONG_MESSAGE));
    return;
  }
  if (const FormulaCheck check = CheckFormula(m_para.m_strFormula); check != FormulaCheck::Ok) {
    ShowMessage(this, QString::fromUtf8(FormulaCheckMessage(check)));
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  m_formula.Tokenize(m_para.m_strFormula);
  m_formula.MakePostfix();
  RebuildBacking();
  QApplication::restoreOverrideCursor();
  m_pFrame->BeginProgress();
  const QSize size = DeviceSize();
  switch (m_run.Start(m_para, size.width(), size.height(), &m_formula)) {
    case StartResult::Started:
      m_bAcceptFrames = true;
      m_pFrame->UpdateCommandStates();
      return;
    case StartResult::CouldNotStart:
      ShowMessage(this, QString::fromUtf8(texts::kCannotStartThread));
      break;
    case StartResult::BadStyle:
    case StartResult::AlreadyRunning:
      break;
  }
  m_pFrame->OnRunEnded(RunProblem::None);
}

void COrvexView::OnStop() {
  if (!IsRunning(g_ShareData.m_nState.load())) return;
  m_run.RequestStop();
  m_pFrame->UpdateCommandStates();
}

void COrvexView::FrameReady() {
  QMetaObject::invokeMethod(this, &COrvexView::OnFrameReady, Qt::QueuedConnection);
}

void COrvexView::RunEnded() {
  QMetaObject::invokeMethod(this, &COrvexView::OnRunEnded, Qt::QueuedConnection);
}

void COrvexView::OnFrameReady() {
  if (!m_run.TakeFrame(m_frame) || !m_bAcceptFrames) return;
  const QImage picture(m_frame.rgba.data(), m_frame.width, m_frame.height, m_frame.width * 4,
                       QImage::Format_RGBA8888);
  // A deep copy: m_frame's buffer goes back to the run with the next take.
  m_backing = picture.convertToFormat(QImage::Format_RGB32);
  update();
}

void COrvexView::OnRunEnded() {
  // The thread has done its work; the join only waits for its last return.
  m_run.Reap();
  m_pFrame->OnRunEnded(m_run.LastProblem());
}

void COrvexView::OnSaveImage() {
  if (IsBusy()) return;
  // The picture is taken before the dialog opens, so the dialog is never in
  // it; the view shows the captured picture from now on.
  m_backing = ShownPicture();
  const QImage rgba = m_backing.convertToFormat(QImage::Format_RGBA8888);
  CDibImage dib;
  if (!dib.FromBitmap(RgbaImageView{rgba.constBits(), rgba.width(), rgba.height(),
                                    static_cast<std::size_t>(rgba.bytesPerLine())})) {
    ShowMessage(this, QString::fromUtf8(texts::kImageSaveFailed));
    return;
  }
  FileRequest request;
  request.mode = FileRequest::Save;
  request.title = QString::fromUtf8(texts::kSaveDialogTitle);
  request.filters = QString::fromUtf8(texts::kBitmapFilter);
  request.defaultSuffix = QString::fromLatin1(texts::kBitmapExtension);
  const QString path = AskFileName(this, request);
  if (path.isEmpty()) return;
  const std::string localPath = QFile::encodeName(path).toStdString();
  if (const int err = SaveFileSafely(localPath, dib.FileBytes()); err != 0) {
    ShowMessage(this,
                QString::fromStdString(ParaFileErrorMessage(err, localPath, ParaFileOp::Save)));
  }
}
