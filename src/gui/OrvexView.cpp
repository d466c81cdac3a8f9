#include "gui/OrvexView.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "core/DibImage.h"
#include "core/ParaFile.h"
#include "core/SafeSave.h"
#include "core/ShareData.h"
#include "core/ViewControl.h"
#include "gui/Colours.h"
#include "gui/Language.h"
#include "gui/ParamModel.h"
#include "gui/Prompts.h"
#include "gui/Texts.h"
#include "render/PictureSpace.h"

namespace {

// After this long without a new value the picture is sampled in full.
constexpr int kRestMs = 150;

QString Number(double value, int digits = 6) { return QString::number(value, 'g', digits); }

}  // namespace

COrvexView::COrvexView(CParamModel* model, QWidget* parent)
    : QWidget(parent), m_pModel(model), m_run(this) {
  setObjectName(QStringLiteral("view"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Moves without a button pressed bring the readout.
  setMouseTracking(true);
  setCursor(Qt::OpenHandCursor);
  m_formula = CompileFormula(model->Params());
  m_restTimer.setSingleShot(true);
  m_restTimer.setInterval(kRestMs);
  connect(&m_restTimer, &QTimer::timeout, this, [this] { Resample(false); });
  // A new style or a loaded file clears the picture; the commands that
  // change them are disabled during a run, and a load stops the run first.
  const auto clear = [this] {
    RebuildBacking();
    update();
  };
  connect(model, &CParamModel::styleChanged, this, clear);
  connect(model, &CParamModel::loaded, this, clear);
  connect(model, &CParamModel::paramsChanged, this, &COrvexView::FollowModel);
  // The fit and the colours change the grid's heights or the lists: a run
  // on starts again with them. The box and the extremes are drawn anew.
  connect(model, &CParamModel::fitChanged, this, &COrvexView::RestartRun);
  connect(model, &CParamModel::colourChanged, this, [this] {
    if (m_pModel->Options().colourMap != m_runColourMap) RestartRun();
  });
  const auto aids = [this] { m_run.SetAids(m_pModel->Axes(), m_pModel->Extremes()); };
  connect(model, &CParamModel::axesChanged, this, aids);
  connect(model, &CParamModel::extremesChanged, this, aids);
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
  m_backing.fill(IdleColour(m_pModel->Params().m_nDrawStyle));
  m_bAcceptFrames = false;
  SetHasPicture(false);
  emit fitShown(nullptr);
}

void COrvexView::SetHasPicture(bool has) {
  if (has == m_bHasPicture) return;
  m_bHasPicture = has;
  emit stateChanged();
}

QImage COrvexView::ShownPicture() const {
  QImage shown(DeviceSize(), QImage::Format_RGB32);
  shown.fill(IdleColour(m_pModel->Params().m_nDrawStyle));
  QPainter painter(&shown);
  painter.drawImage(0, 0, m_backing);
  return shown;
}

void COrvexView::paintEvent(QPaintEvent*) {
  if (!m_bPaintedOnce) {
    m_bPaintedOnce = true;
    // The first paint clears, and nothing is shown since start-up before it.
    m_backing = QImage(DeviceSize(), QImage::Format_RGB32);
    m_backing.fill(IdleColour(m_pModel->Params().m_nDrawStyle));
    int initial = DS_INITIAL;
    g_ShareData.m_nState.compare_exchange_strong(initial, DS_IDLE);
    emit firstPainted();
  }
  // The client shows the idle colour with the backing image at its top left:
  // a client grown since the picture was made shows the colour around it.
  QPainter painter(this);
  painter.fillRect(rect(), IdleColour(m_pModel->Params().m_nDrawStyle));
  const qreal ratio = devicePixelRatioF();
  painter.drawImage(QRectF(0, 0, m_backing.width() / ratio, m_backing.height() / ratio), m_backing);
}

void COrvexView::OnStart() {
  if (IsBusy()) return;
  // A formula or number just typed into a field is committed as its field
  // loses the focus, before the set is read.
  setFocus(Qt::OtherFocusReason);
  const CParaData para = m_pModel->Params();
  if (const char* refusal = RunRefusalMessage(para)) {
    ShowMessage(this, QString::fromUtf8(refusal));
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  m_formula = CompileFormula(para);
  m_runPara = para;
  m_readoutFormula = m_formula;
  // The last run's depths are not this run's picture.
  m_frame.depth.clear();
  RebuildBacking();
  QApplication::restoreOverrideCursor();
  emit runStarted(DrawingRun::ProgressMaxFor(para.m_nMesh));
  RunOptions options = m_pModel->Options();
  options.zoom = m_dZoom;
  m_runColourMap = options.colourMap;
  const QSize size = DeviceSize();
  switch (m_run.Start(para, size.width(), size.height(), &m_formula, options)) {
    case StartResult::Started:
      m_bAcceptFrames = true;
      emit stateChanged();
      return;
    case StartResult::CouldNotStart:
      ShowMessage(this, QString::fromUtf8(texts::kCannotStartThread));
      break;
    case StartResult::BadStyle:
    case StartResult::AlreadyRunning:
      break;
  }
  emit runEnded(RunProblem::None);
}

void COrvexView::OnStop() {
  m_bRestart = false;
  if (!IsStoppable()) return;
  m_run.RequestStop();
  emit stateChanged();
}

bool COrvexView::IsStoppable() const { return IsBusy() && IsRunning(g_ShareData.m_nState.load()); }

bool COrvexView::IsTurnable() const {
  const int state = g_ShareData.m_nState.load();
  return IsBusy() && ((state == DS_RUN_SURFACE && m_runPara.m_nDrawStyle == STYLE_MESH) ||
                      state == DS_RUN_CONTOUR);
}

void COrvexView::FollowModel() {
  if (!IsStoppable()) return;
  const CParaData& para = m_pModel->Params();
  // A new formula or new parameter values: the picture is sampled again,
  // coarse while they keep changing and in full once they rest. A formula
  // the run cannot take leaves the last picture on display.
  if ((para.m_strFormula != m_runPara.m_strFormula || para.m_params != m_runPara.m_params) &&
      RunRefusalMessage(para) == nullptr) {
    m_runPara.m_strFormula = para.m_strFormula;
    m_runPara.m_params = para.m_params;
    Resample(true);
    m_restTimer.start();
  }
  double upDown = 0.0;
  double leftRight = 0.0;
  g_ShareData.GetAngles(upDown, leftRight);
  if (upDown == para.m_dUpDownAngle && leftRight == para.m_dLeftRightAngle) return;
  g_ShareData.SetAngles(para.m_dUpDownAngle, para.m_dLeftRightAngle);
  // Under a held button a quick coarse picture; the full one follows on release.
  if (m_bDragging) {
    m_run.Drag();
  } else {
    m_run.Rotate();
  }
}

void COrvexView::Resample(bool coarse) {
  if (!IsStoppable()) return;
  m_readoutFormula = CompileFormula(m_runPara);
  if (!m_run.Resample(m_runPara, coarse)) return;
  if (!coarse) m_fullResampleSent = std::chrono::steady_clock::now();
  m_bFullResamplePending = !coarse;
}

void COrvexView::RestartRun() {
  if (!IsStoppable()) return;
  m_run.RequestStop();
  m_bRestart = true;
  emit stateChanged();
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
  emit fitShown(m_frame.fit ? &*m_frame.fit : nullptr);
  update();
  SetHasPicture(true);
  // A readout on show belongs to the picture under the mouse, which just changed.
  if (m_bReadoutShown) ShowReadout(mapFromGlobal(QCursor::pos()));
  if (m_bFullResamplePending && !m_frame.coarse) {
    m_bFullResamplePending = false;
    const auto took = std::chrono::steady_clock::now() - m_fullResampleSent;
    emit fullResampleTook(
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
  }
  emit pictureShown(m_frame.coarse);
}

void COrvexView::OnRunEnded() {
  // The thread has done its work; the join only waits for its last return.
  m_run.Reap();
  emit runEnded(m_run.LastProblem());
  if (std::exchange(m_bRestart, false)) OnStart();
}

void COrvexView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  m_bDragging = true;
  m_bDragMoved = false;
  m_dragFrom = event->position().toPoint();
  setCursor(Qt::ClosedHandCursor);
  HideReadout();
}

void COrvexView::mouseMoveEvent(QMouseEvent* event) {
  if (!m_bDragging) return ShowReadout(event->position());
  const QPoint at = event->position().toPoint();
  const QPoint moved = at - m_dragFrom;
  if (moved.isNull()) return;
  m_dragFrom = at;
  m_bDragMoved = true;
  // Dragging down tilts the near edge down, as the down button does. Outside
  // a run the angles wait in the model for the next.
  const CParaData& para = m_pModel->Params();
  m_pModel->SetAngles(DragAngle(para.m_dUpDownAngle, -moved.y()),
                      DragAngle(para.m_dLeftRightAngle, moved.x()));
}

void COrvexView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !m_bDragging) {
    return QWidget::mouseReleaseEvent(event);
  }
  m_bDragging = false;
  setCursor(Qt::OpenHandCursor);
  // The full picture at the angles the drag ended at.
  if (m_bDragMoved) m_run.Rotate();
}

void COrvexView::leaveEvent(QEvent* event) {
  HideReadout();
  QWidget::leaveEvent(event);
}

void COrvexView::wheelEvent(QWheelEvent* event) {
  // A notch is 120; touchpads send fractions of one.
  const double notches = event->angleDelta().y() / 120.0;
  if (notches != 0.0) SetZoom(ZoomBy(m_dZoom, notches));
  event->accept();
}

void COrvexView::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Home) return QWidget::keyPressEvent(event);
  SetZoom(1.0);
}

void COrvexView::SetZoom(double zoom) {
  if (zoom == m_dZoom) return;
  m_dZoom = zoom;
  m_run.SetZoom(zoom);
}

QString COrvexView::ReadoutAt(QPointF position) {
  if (!m_bAcceptFrames) return {};
  const qreal ratio = devicePixelRatioF();
  const std::optional<PictureReadout> read =
      ReadPicture(m_frame, m_runPara, m_readoutFormula, position.x() * ratio, position.y() * ratio);
  if (!read) return {};
  QString text =
      QString::fromUtf8(texts::kReadout).arg(Number(read->x), Number(read->y), Number(read->value));
  // The depth buffer's steps leave a few digits of a line's height.
  if (read->level) text += Tr(texts::kReadoutLevel).arg(Number(*read->level, 4));
  return text;
}

void COrvexView::ShowReadout(QPointF position) {
  const QString text = ReadoutAt(position);
  if (text.isEmpty()) return HideReadout();
  emit readoutChanged(text);
  m_bReadoutShown = true;
}

void COrvexView::HideReadout() {
  if (!m_bReadoutShown) return;
  m_bReadoutShown = false;
  emit readoutChanged(QString());
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
  const QString path = AskFileName(this, ImageFileRequest());
  if (path.isEmpty()) return;
  // A name ending in .png is written as PNG, any other as the bitmap.
  std::vector<std::uint8_t> bytes;
  if (QFileInfo(path).suffix().compare(QLatin1String(texts::kPngExtension), Qt::CaseInsensitive) ==
      0) {
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !m_backing.save(&buffer, "PNG")) {
      ShowMessage(this, QString::fromUtf8(texts::kImageSaveFailed));
      return;
    }
    bytes.assign(png.cbegin(), png.cend());
  } else {
    bytes = dib.FileBytes();
  }
  const std::string localPath = QFile::encodeName(path).toStdString();
  if (const int err = SaveFileSafely(localPath, bytes); err != 0) {
    ShowMessage(this,
                QString::fromStdString(ParaFileErrorMessage(err, localPath, ParaFileOp::Save)));
  }
}

void COrvexView::OnCopyImage() {
  if (!m_bHasPicture) return;
  QApplication::clipboard()->setImage(ShownPicture());
}
