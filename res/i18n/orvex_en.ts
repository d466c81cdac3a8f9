<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>Orvex</name>
    <message>
        <source>計算式が長すぎます (4096 ﾊﾞｲﾄまで)。</source>
        <translation>The formula is too long (4096 bytes at most).</translation>
    </message>
    <message>
        <source>計算式が入力されてません！</source>
        <translation>No formula has been entered!</translation>
    </message>
    <message>
        <source>不正な文字がありました！</source>
        <translation>The formula holds an invalid character!</translation>
    </message>
    <message>
        <source>不正な計算式です！</source>
        <translation>Invalid formula!</translation>
    </message>
    <message>
        <source>整数を入力してください。</source>
        <translation>Please enter an integer.</translation>
    </message>
    <message>
        <source>%1 から %2 までの整数を入力してください。</source>
        <translation>Please enter an integer between %1 and %2.</translation>
    </message>
    <message>
        <source>数字を入力してください。</source>
        <translation>Please enter a number.</translation>
    </message>
    <message>
        <source>%1 から %2 までの数字を入力してください。</source>
        <translation>Please enter a number between %1 and %2.</translation>
    </message>
    <message>
        <source>%1 文字以内で入力してください。</source>
        <translation>Please enter at most %1 characters.</translation>
    </message>
    <message>
        <source>ﾊﾟﾗﾒｰﾀに描画できない値があります (角度・計算範囲・Z軸係数)。</source>
        <translation>Some parameters cannot be drawn (angles, range, Z coefficient).</translation>
    </message>
    <message>
        <source>予期しないﾌｧｲﾙ形式です。</source>
        <translation>Unexpected file format.</translation>
    </message>
    <message>
        <source>%1 が見つかりませんでした。</source>
        <translation>%1 was not found.</translation>
    </message>
    <message>
        <source>%1 へのｱｸｾｽは拒否されました。</source>
        <translation>Access to %1 was denied.</translation>
    </message>
    <message>
        <source>%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。</source>
        <translation>The disk became full while accessing %1.</translation>
    </message>
    <message>
        <source>無効なﾌｧｲﾙ名です。</source>
        <translation>Invalid file name.</translation>
    </message>
    <message>
        <source>ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。</source>
        <translation>Failed to open the document.</translation>
    </message>
    <message>
        <source>ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。</source>
        <translation>Failed to save the document.</translation>
    </message>
    <message>
        <source>計算用の格子を用意できません</source>
        <translation>Cannot set up the grid for the computation</translation>
    </message>
    <message>
        <source>等高線が多すぎて描けません</source>
        <translation>Too many contour lines to draw</translation>
    </message>
    <message>
        <source>OpenGL の描画環境がありません</source>
        <translation>No OpenGL drawing environment</translation>
    </message>
    <message>
        <source>描画中にｴﾗｰが起きました</source>
        <translation>An error occurred while drawing</translation>
    </message>
    <message>
        <source>ﾊﾟﾗﾒｰﾀを読込む(&amp;O)...</source>
        <translation>&amp;Open Parameters...</translation>
    </message>
    <message>
        <source>保存たﾊﾟﾗﾒｰﾀを開く</source>
        <translation>Open saved parameters</translation>
    </message>
    <message>
        <source>ﾊﾟﾗﾒｰﾀを開く</source>
        <translation>Open Parameters</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>作業中のﾊﾟﾗﾒｰﾀを保存</source>
        <translation>Save the current parameters</translation>
    </message>
    <message>
        <source>ﾊﾟﾗﾒｰﾀの保存(&amp;A)...</source>
        <translation>Save Parameters &amp;As...</translation>
    </message>
    <message>
        <source>ﾊﾟﾗﾒｰﾀを保存</source>
        <translation>Save Parameters</translation>
    </message>
    <message>
        <source>ｲﾒｰｼﾞの保存(&amp;I)...</source>
        <translation>Save &amp;Image...</translation>
    </message>
    <message>
        <source>画面ｲﾒｰｼﾞを保存する</source>
        <translation>Save the picture on the screen</translation>
    </message>
    <message>
        <source>ｲﾒｰｼﾞを保存</source>
        <translation>Save Image</translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示</source>
        <translation>Quit the application; prompts to save files</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>ｽﾀｰﾄ(&amp;S)</source>
        <translation>&amp;Start</translation>
    </message>
    <message>
        <source>計算を開始する</source>
        <translation>Start the computation</translation>
    </message>
    <message>
        <source>計算開始</source>
        <translation>Start Computation</translation>
    </message>
    <message>
        <source>ｽﾄｯﾌﾟ(&amp;P)</source>
        <translation>S&amp;top</translation>
    </message>
    <message>
        <source>計算を停止する</source>
        <translation>Stop the computation</translation>
    </message>
    <message>
        <source>計算停止</source>
        <translation>Stop Computation</translation>
    </message>
    <message>
        <source>ﾊﾟﾗﾒｰﾀ設定(&amp;P)</source>
        <translation>&amp;Parameters...</translation>
    </message>
    <message>
        <source>計算パラメータの設定</source>
        <translation>Set the computation parameters</translation>
    </message>
    <message>
        <source>パラメータ</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>ﾂｰﾙﾊﾞｰ(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>ｽﾃｰﾀｽﾊﾞｰ(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>ﾀﾞｲｱﾛｸﾞﾊﾞｰ(&amp;D)</source>
        <translation>&amp;Parameter Panel</translation>
    </message>
    <message>
        <source>ﾀﾞｲｱﾛｸﾞ ﾊﾞｰの 表示/非表示</source>
        <translation>Show or hide the parameter panel</translation>
    </message>
    <message>
        <source>ﾀﾞｲｱﾛｸﾞﾊﾞｰ</source>
        <translation>Parameter Panel</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟの目次</source>
        <translation>Help contents</translation>
    </message>
    <message>
        <source>目次</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報(&amp;A)...</source>
        <translation>&amp;About Orvex...</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ、著作権を表示</source>
        <translation>Show the version and copyright</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About Orvex</translation>
    </message>
    <message>
        <source>3Dﾒｯｼｭ</source>
        <translation>3D Mesh</translation>
    </message>
    <message>
        <source>3Dﾒｯｼｭの描画</source>
        <translation>Draw the 3D mesh</translation>
    </message>
    <message>
        <source>3D等高線</source>
        <translation>3D Contours</translation>
    </message>
    <message>
        <source>3D等高線の描画</source>
        <translation>Draw the 3D contour lines</translation>
    </message>
    <message>
        <source>計算式</source>
        <translation>Formula</translation>
    </message>
    <message>
        <source>計算式の入力</source>
        <translation>Enter the formula</translation>
    </message>
    <message>
        <source>左回転</source>
        <translation>Rotate Left</translation>
    </message>
    <message>
        <source>ﾓﾃﾞﾙを左へ回転</source>
        <translation>Turn the model left</translation>
    </message>
    <message>
        <source>上回転</source>
        <translation>Rotate Up</translation>
    </message>
    <message>
        <source>ﾓﾃﾞﾙを上へ回転</source>
        <translation>Turn the model up</translation>
    </message>
    <message>
        <source>下回転</source>
        <translation>Rotate Down</translation>
    </message>
    <message>
        <source>ﾓﾃﾞﾙを下へ回転</source>
        <translation>Turn the model down</translation>
    </message>
    <message>
        <source>右回転</source>
        <translation>Rotate Right</translation>
    </message>
    <message>
        <source>ﾓﾃﾞﾙを右へ回転</source>
        <translation>Turn the model right</translation>
    </message>
    <message>
        <source>新規ﾌｧｲﾙ</source>
        <translation>New File</translation>
    </message>
    <message>
        <source>新規にﾌｧｲﾙを作成</source>
        <translation>Create a new file</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>現在のﾀｽｸまたはｺﾏﾝﾄﾞのﾍﾙﾌﾟを表示</source>
        <translation>Show help for the current task or command</translation>
    </message>
    <message>
        <source>ｸﾘｯｸされたﾎﾞﾀﾝ、ﾒﾆｭｰまたはｳｨﾝﾄﾞｳのﾍﾙﾌﾟを表示</source>
        <translation>Show help for the button, menu or window clicked</translation>
    </message>
    <message>
        <source>ﾌﾟﾗｽﾁｯｸ</source>
        <translation>Plastic</translation>
    </message>
    <message>
        <source>紙</source>
        <translation>Paper</translation>
    </message>
    <message>
        <source>ｺﾞｰｽﾄ</source>
        <translation>Ghost</translation>
    </message>
    <message>
        <source>ｼﾙﾊﾞｰ</source>
        <translation>Silver</translation>
    </message>
    <message>
        <source>黒</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>白</source>
        <translation>White</translation>
    </message>
    <message>
        <source>そのまま</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>パラメータ設定</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>遠近感</source>
        <translation>Perspective</translation>
    </message>
    <message>
        <source>隠線処理</source>
        <translation>Hidden-line removal</translation>
    </message>
    <message>
        <source>ｼｪｰﾃﾞｨﾝｸﾞ</source>
        <translation>Shading</translation>
    </message>
    <message>
        <source>ﾓﾃﾞﾙ上下角度：</source>
        <translation>Up/down angle:</translation>
    </message>
    <message>
        <source>ﾓﾃﾞﾙ左右角度：</source>
        <translation>Left/right angle:</translation>
    </message>
    <message>
        <source>計算範囲±：</source>
        <translation>Range ±:</translation>
    </message>
    <message>
        <source>中心 x：</source>
        <translation>Centre x:</translation>
    </message>
    <message>
        <source>中心 y：</source>
        <translation>Centre y:</translation>
    </message>
    <message>
        <source>Z軸係数：</source>
        <translation>Z coefficient:</translation>
    </message>
    <message>
        <source>メッシュ数：</source>
        <translation>Mesh count:</translation>
    </message>
    <message>
        <source>等高線間隔：</source>
        <translation>Contour interval:</translation>
    </message>
    <message>
        <source>0/0 ：</source>
        <translation>0/0:</translation>
    </message>
    <message>
        <source>背景色：</source>
        <translation>Background:</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>計算式：</source>
        <translation>Formula:</translation>
    </message>
    <message>
        <source>f(x,y)関数の 3Dﾒｯｼｭ/等高線 表示</source>
        <translation>3D Mesh/Contour Plot of f(x,y)</translation>
    </message>
    <message>
        <source>3Dﾒｯｼｭﾌｧｲﾙ(*.ovx)</source>
        <translation>3D Mesh Files (*.ovx)</translation>
    </message>
    <message>
        <source>すべてのﾌｧｲﾙ (*.*)</source>
        <translation>All Files (*.*)</translation>
    </message>
    <message>
        <source>ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)</source>
        <translation>Bitmap (*.bmp)</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>ﾚﾃﾞｲ</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>計算してます．．．</source>
        <translation>Computing...</translation>
    </message>
    <message>
        <source>計算は終わりました。</source>
        <translation>Computation finished.</translation>
    </message>
    <message>
        <source> (%1 文字目)</source>
        <translation> (at character %1)</translation>
    </message>
    <message>
        <source>  等高線=%1</source>
        <translation>  contour=%1</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ情報(Orvex)</source>
        <translation>About Orvex</translation>
    </message>
    <message>
        <source>Orvex ﾍﾙﾌﾟ</source>
        <translation>Orvex Help</translation>
    </message>
    <message>
        <source>描画ｽﾚｯﾄﾞを開始できませんでした。</source>
        <translation>The drawing thread could not be started.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>ｽﾀｰﾄ/設定(&amp;S)</source>
        <translation>&amp;Start/Settings</translation>
    </message>
    <message>
        <source>表示(&amp;D)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>最新のﾌｧｲﾙ</source>
        <translation>Recent File</translation>
    </message>
    <message>
        <source>指定のﾌｧｲﾙを開く</source>
        <translation>Open this file</translation>
    </message>
    <message>
        <source>ﾓﾃﾞﾙ上下</source>
        <translation>Model up/down</translation>
    </message>
    <message>
        <source>ﾓﾃﾞﾙ左右</source>
        <translation>Model left/right</translation>
    </message>
    <message>
        <source>計算範囲±</source>
        <translation>Range ±</translation>
    </message>
    <message>
        <source>中心 x</source>
        <translation>Centre x</translation>
    </message>
    <message>
        <source>中心 y</source>
        <translation>Centre y</translation>
    </message>
    <message>
        <source>Z軸係数</source>
        <translation>Z coefficient</translation>
    </message>
    <message>
        <source>ﾒｯｼｭ数</source>
        <translation>Mesh count</translation>
    </message>
    <message>
        <source>等高線間隔</source>
        <translation>Contour interval</translation>
    </message>
    <message>
        <source>メッシュのエクスポート(&amp;E)...</source>
        <translation>&amp;Export Mesh...</translation>
    </message>
    <message>
        <source>ﾒｯｼｭをSTL/OBJﾌｧｲﾙに書き出す</source>
        <translation>Write the surface as an STL or OBJ file</translation>
    </message>
    <message>
        <source>ﾒｯｼｭのｴｸｽﾎﾟｰﾄ</source>
        <translation>Export Mesh</translation>
    </message>
    <message>
        <source>ﾒｯｼｭを書き出してます．．．</source>
        <translation>Exporting the mesh...</translation>
    </message>
    <message>
        <source>ﾒｯｼｭを書き出しました。</source>
        <translation>The mesh has been exported.</translation>
    </message>
    <message>
        <source>関数に有限な値がなく、書き出すﾒｯｼｭがありません。</source>
        <translation>The function has no finite value, so there is no mesh to export.</translation>
    </message>
    <message>
        <source>STL ﾒｯｼｭ (*.stl)</source>
        <translation>STL mesh (*.stl)</translation>
    </message>
    <message>
        <source>OBJ ﾒｯｼｭ (*.obj)</source>
        <translation>OBJ mesh (*.obj)</translation>
    </message>
    <message>
        <source>PNG ｲﾒｰｼﾞ (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>ｺﾋﾟｰ(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>画面ｲﾒｰｼﾞをｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰする</source>
        <translation>Copy the picture on the screen to the clipboard</translation>
    </message>
    <message>
        <source>ｺﾋﾟｰ</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>3Dﾌﾟﾘﾝﾄ用 STL ｿﾘｯﾄﾞ (*.stl)</source>
        <translation>STL solid for 3-D printing (*.stl)</translation>
    </message>
    <message>
        <source>関数の値が有限でない点があるため、閉じた立体にできません。</source>
        <translation>The function is not finite at some points, so the surface cannot be closed into a solid.</translation>
    </message>
    <message>
        <source>値が大きすぎて、立体の底を作れません。</source>
        <translation>The values are too large to put a base under the solid.</translation>
    </message>
    <message>
        <source>自動スケール</source>
        <translation>Auto Scale</translation>
    </message>
    <message>
        <source>Z軸係数の代わりに値の分布から高さを決める</source>
        <translation>Scale the heights to the spread of the values instead of the Z coefficient</translation>
    </message>
    <message>
        <source>自動ｽｹｰﾙ ×%1  (%2 〜 %3)</source>
        <translation>Auto scale ×%1  (%2 to %3)</translation>
    </message>
    <message>
        <source>描画できる値がありません</source>
        <translation>There are no values that can be drawn</translation>
    </message>
    <message>
        <source>図を箱で囲み、目盛と数値の付いた軸を表示する</source>
        <translation>Draws a box around the picture with numbered axes</translation>
    </message>
    <message>
        <source>最大・最小</source>
        <translation>Min and Max</translation>
    </message>
    <message>
        <source>最大・最小(&amp;M)</source>
        <translation>&amp;Min and Max</translation>
    </message>
    <message>
        <source>最大値と最小値の点に印と値を表示する</source>
        <translation>Marks the points of the minimum and the maximum with their values</translation>
    </message>
    <message>
        <source>等高線の色</source>
        <translation>Contour colours</translation>
    </message>
    <message>
        <source>色の並び(&amp;O)</source>
        <translation>C&amp;olour Map</translation>
    </message>
    <message>
        <source>色の並びを 3D等高線 の青・緑・赤にする</source>
        <translation>Colours by the blue, green and red of 3D Contours</translation>
    </message>
    <message>
        <source>色の並びを cividis にする</source>
        <translation>Colours by the cividis map</translation>
    </message>
    <message>
        <source>色の並びを turbo にする</source>
        <translation>Colours by the turbo map</translation>
    </message>
    <message>
        <source>色の並びを viridis にする</source>
        <translation>Colours by the viridis map</translation>
    </message>
    <message>
        <source>軸と目盛</source>
        <translation>Axes and Ticks</translation>
    </message>
    <message>
        <source>軸と目盛(&amp;X)</source>
        <translation>A&amp;xes and Ticks</translation>
    </message>
    <message>
        <source>面を高さに応じた色で塗り、色の目盛を表示する</source>
        <translation>Colours the surface by height and shows a colour bar</translation>
    </message>
    <message>
        <source>高さで色分け</source>
        <translation>Colour by Height</translation>
    </message>
    <message>
        <source>高さで色分け(&amp;C)</source>
        <translation>&amp;Colour by Height</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙの拡張部分が壊れています。ﾊﾟﾗﾒｰﾀ以外を読み込みました。</source>
        <translation>The file&apos;s extension part is damaged. Everything but the formula parameters was loaded.</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙの拡張部分はこのﾊﾞｰｼﾞｮﾝでは読めません。ﾊﾟﾗﾒｰﾀ以外を読み込みました。</source>
        <translation>This version cannot read the file&apos;s extension part. Everything but the formula parameters was loaded.</translation>
    </message>
    <message>
        <source>ｽﾗｲﾀﾞｰを追加: %1</source>
        <translation>Add slider: %1</translation>
    </message>
    <message>
        <source>入力と同時に描画(&amp;L)</source>
        <translation>Draw as You &amp;Type</translation>
    </message>
    <message>
        <source>入力と同時に描画</source>
        <translation>Draw as You Type</translation>
    </message>
    <message>
        <source>計算中に、入力中の計算式を図に反映する</source>
        <translation>During a computation, draws the formula as it is typed</translation>
    </message>
    <message>
        <source>ループ</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>往復</source>
        <translation>Back and forth</translation>
    </message>
    <message>
        <source>1回</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>名前</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>値</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>刻み</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>速さ</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>再生</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>/秒</source>
        <translation>/s</translation>
    </message>
    <message>
        <source>ｽﾗｲﾀﾞｰを削除</source>
        <translation>Remove the slider</translation>
    </message>
    <message>
        <source>最小は最大より小さく、刻みは 0 より大きくしてください。</source>
        <translation>The minimum must be below the maximum, and the step above 0.</translation>
    </message>
    <message>
        <source>ｽﾗｲﾀﾞｰは 64 個まで、名前は 32 文字までです。</source>
        <translation>At most 64 sliders, with names of at most 32 characters.</translation>
    </message>
    <message>
        <source>-x^2 は (-x)^2 と読みます。-(x^2) と書けます</source>
        <translation>-x^2 is read as (-x)^2. Write -(x^2) for the other reading</translation>
    </message>
    <message>
        <source>a^b^c は (a^b)^c と読みます。a^(b^c) と書けます</source>
        <translation>a^b^c is read as (a^b)^c. Write a^(b^c) for the other reading</translation>
    </message>
</context>
</TS>
