#include "gui/OrvexView.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMatrix4x4>
#include <QMouseEvent>
#include <QPainter>
#include <QVector3D>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "core/DibImage.h"
#include "core/Grid.h"
#include "core/ParaFile.h"
#include "core/SafeSave.h"
#include "core/ShareData.h"
#include "core/ViewControl.h"
#include "gui/Colours.h"
#include "gui/Language.h"
#include "gui/MainFrame.h"
#include "gui/Prompts.h"
#include "gui/Texts.h"

namespace {

// Moves the state on only if nobody changed it since it was read.
void ReplaceState(int from, int to) { g_ShareData.m_nState.compare_exchange_strong(from, to); }

// How far from the mouse, in device pixels, the readout looks for a drawn
// pixel: mesh wires and contour lines are a pixel wide.
constexpr int kPickRadius = 4;

// A matrix as GL keeps it (column-major), as Qt keeps it.
QMatrix4x4 FromColumns(const std::array<float, 16>& columns) {
  QMatrix4x4 matrix;
  std::copy(columns.begin(), columns.end(), matrix.data());
  return matrix;
}

QString Number(double value, int digits = 6) { return QString::number(value, 'g', digits); }

}  // namespace

COrvexView::COrvexView(CMainFrame* frame) : QWidget(frame), m_pFrame(frame), m_run(this) {
  setObjectName(QStringLiteral("view"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Moves without a button pressed bring the readout.
  setMouseTracking(true);
  setCursor(Qt::OpenHandCursor);
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
  if (m_bHasPicture) {
    m_bHasPicture = false;
    // Clears come from paints, where the frame's commands are not to be touched.
    QMetaObject::invokeMethod(
        m_pFrame, [frame = m_pFrame] { frame->UpdateCommandStates(); }, Qt::QueuedConnection);
  }
  m_pFrame->ShowFit(nullptr);
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
  if (const char* refusal = RunRefusalMessage(m_para)) {
    ShowMessage(this, QString::fromUtf8(refusal));
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  m_formula.Tokenize(m_para.m_strFormula);
  m_formula.MakePostfix();
  m_runPara = m_para;
  m_readoutFormula = m_formula;
  // The last run's depths are not this run's picture.
  m_frame.depth.clear();
  RebuildBacking();
  QApplication::restoreOverrideCursor();
  m_pFrame->BeginProgress();
  const QSize size = DeviceSize();
  RunOptions options;
  options.fit = m_pFrame->m_bFit;
  options.zoom = g_ShareData.GetZoom();
  switch (m_run.Start(m_para, size.width(), size.height(), &m_formula, options)) {
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
  m_bRestart = false;
  if (!IsRunning(g_ShareData.m_nState.load())) return;
  m_run.RequestStop();
  m_pFrame->UpdateCommandStates();
}

void COrvexView::OnFitChanged() {
  if (!IsRunning(g_ShareData.m_nState.load())) return;
  m_run.RequestStop();
  m_bRestart = true;
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
  m_pFrame->ShowFit(m_frame.fit ? &*m_frame.fit : nullptr);
  update();
  if (!m_bHasPicture) {
    m_bHasPicture = true;
    m_pFrame->UpdateCommandStates();
  }
  // A readout on show belongs to the picture under the mouse, which just changed.
  if (m_bReadoutShown) ShowReadout(mapFromGlobal(QCursor::pos()));
  emit pictureShown(m_frame.coarse);
}

void COrvexView::OnRunEnded() {
  // The thread has done its work; the join only waits for its last return.
  m_run.Reap();
  m_pFrame->OnRunEnded(m_run.LastProblem());
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
  m_pFrame->OnDrag(moved.x(), moved.y());
  // Outside a run nothing is posted: the angles wait in m_para for the next.
  m_run.Drag();
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
  if (notches != 0.0) SetZoom(ZoomBy(g_ShareData.GetZoom(), notches));
  event->accept();
}

void COrvexView::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Home) return QWidget::keyPressEvent(event);
  SetZoom(1.0);
}

void COrvexView::SetZoom(double zoom) {
  if (zoom == g_ShareData.GetZoom()) return;
  g_ShareData.SetZoom(zoom);
  m_run.Rotate();
}

QString COrvexView::ReadoutAt(QPointF position) {
  if (!m_bAcceptFrames || m_frame.depth.empty()) return {};
  const int width = m_frame.width;
  const int height = m_frame.height;
  const qreal ratio = devicePixelRatioF();
  const int mouseX = static_cast<int>(std::floor(position.x() * ratio));
  const int mouseY = static_cast<int>(std::floor(position.y() * ratio));
  // The drawn pixel nearest to the mouse within the radius.
  int pickX = -1;
  int pickY = -1;
  int pickDistance = 0;
  for (int y = mouseY - kPickRadius; y <= mouseY + kPickRadius; ++y) {
    for (int x = mouseX - kPickRadius; x <= mouseX + kPickRadius; ++x) {
      if (x < 0 || y < 0 || x >= width || y >= height) continue;
      const int distance = (x - mouseX) * (x - mouseX) + (y - mouseY) * (y - mouseY);
      if (distance > kPickRadius * kPickRadius || (pickX >= 0 && distance >= pickDistance)) {
        continue;
      }
      if (m_frame.depth[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                        static_cast<std::size_t>(x)] >= 1.0f) {
        continue;
      }
      pickX = x;
      pickY = y;
      pickDistance = distance;
    }
  }
  if (pickX < 0) return {};
  const float depth =
      m_frame.depth[static_cast<std::size_t>(pickY) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(pickX)];
  // GL counts window rows from the bottom; the picture's rows run from the top.
  const QVector3D model =
      QVector3D(static_cast<float>(pickX) + 0.5f, static_cast<float>(height - pickY) - 0.5f, depth)
          .unproject(FromColumns(m_frame.modelView), FromColumns(m_frame.projection),
                     QRect(0, 0, width, height));
  // The model holds x in its first component, the height in its second and
  // y in its third, in both the surface and the contour layout.
  const GridSpec gridSpec = MakeGridSpec(m_runPara);
  const int column = NearestGridIndex(gridSpec, model.x());
  const int row = NearestGridIndex(gridSpec, model.z());
  if (column < 0 || row < 0) return {};
  double x = GridCoordinate(gridSpec, column);
  double y = GridCoordinate(gridSpec, row);
  // The 0/0 value as the grid had it, narrowed like the other run values.
  double zeroByZero = gridSpec.zeroDiv;
  const double value = EvaluateFormula(&m_readoutFormula, &x, &y, &zeroByZero);
  QString text = QString::fromUtf8(texts::kReadout).arg(Number(x), Number(y), Number(value));
  if (m_runPara.m_nDrawStyle == STYLE_CONTOUR && m_frame.fit) {
    const SurfaceFit& fit = *m_frame.fit;
    text += QString::fromUtf8(texts::kReadoutLevel)
                .arg(Number(fit.Middle() + model.y() / fit.factor, 4));
  } else if (m_runPara.m_nDrawStyle == STYLE_CONTOUR && gridSpec.zScale != 0.0f) {
    // The line's height over the coefficient; the depth buffer's steps
    // leave a few digits of it.
    text += Tr(texts::kReadoutLevel).arg(Number(model.y() / gridSpec.zScale, 4));
  }
  return text;
}

void COrvexView::ShowReadout(QPointF position) {
  const QString text = ReadoutAt(position);
  if (text.isEmpty()) return HideReadout();
  m_pFrame->ShowNote(text);
  m_bReadoutShown = true;
}

void COrvexView::HideReadout() {
  if (!m_bReadoutShown) return;
  m_bReadoutShown = false;
  m_pFrame->ClearNote();
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
  // The bitmap comes first and stays the default; choosing the PNG filter
  // makes a bare name end in .png, and a name ending so is written as PNG.
  FileRequest request;
  request.mode = FileRequest::Save;
  request.title = Tr(texts::kSaveDialogTitle);
  request.filters = Tr(texts::kBitmapFilter) + QStringLiteral(";;") + Tr(texts::kPngFilter);
  request.defaultSuffix = QString::fromLatin1(texts::kBitmapExtension);
  const QString path = AskFileName(this, request);
  if (path.isEmpty()) return;
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
