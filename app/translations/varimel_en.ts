<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Audioexport</name>
    <message>
        <source>WAVファイル(*.wav)</source>
        <translation>WAV file (*.wav)</translation>
    </message>
    <message>
        <source>FLACファイル(*.flac)</source>
        <translation>FLAC file (*.flac)</translation>
    </message>
    <message>
        <source>Ogg Vorbisファイル(*.ogg)</source>
        <translation>Ogg Vorbis file (*.ogg)</translation>
    </message>
    <message>
        <source>オーディオファイルの作成に失敗しました。</source>
        <translation>Could not create the audio file.</translation>
    </message>
    <message>
        <source>オーディオファイルを書き出しています...</source>
        <translation>Writing the audio file...</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Controls</name>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Messagebox</name>
    <message>
        <source>エラー</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>確認</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>Replacing</name>
    <message>
        <source>読み取り専用のファイルです。置き換えますか？</source>
        <translation>The file is read-only. Replace it?</translation>
    </message>
</context>
<context>
    <name>TCueDialog</name>
    <message>
        <source>音の目印</source>
        <translation>Audio Cues</translation>
    </message>
    <message>
        <source>目盛り</source>
        <translation>Ticks</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Xの間隔ごと</source>
        <translation>Every step of X</translation>
    </message>
    <message>
        <source>日ごと</source>
        <translation>Every day</translation>
    </message>
    <message>
        <source>週ごと</source>
        <translation>Every week</translation>
    </message>
    <message>
        <source>月ごと</source>
        <translation>Every month</translation>
    </message>
    <message>
        <source>年ごと</source>
        <translation>Every year</translation>
    </message>
    <message>
        <source>目盛りの間隔</source>
        <translation>Tick step</translation>
    </message>
    <message>
        <source>大きな目盛りの間隔</source>
        <translation>Major tick every</translation>
    </message>
    <message>
        <source>自動</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>基準音のYの値</source>
        <translation>Reference Y values</translation>
    </message>
    <message>
        <source>基準音の鳴らし方</source>
        <translation>How the reference sounds</translation>
    </message>
    <message>
        <source>鳴らし続ける</source>
        <translation>Held</translation>
    </message>
    <message>
        <source>目盛りごと</source>
        <translation>At every tick</translation>
    </message>
    <message>
        <source>交差の目印のYの値</source>
        <translation>Crossing Y value</translation>
    </message>
    <message>
        <source>終わりの合図(&amp;N)</source>
        <translation>E&amp;nd chime</translation>
    </message>
    <message>
        <source>欠測と間隔の空きの合図(&amp;G)</source>
        <translation>&amp;Gap tones for missing values and jumps in X</translation>
    </message>
    <message>
        <source>空きとみなす平均間隔の倍数</source>
        <translation>Mean steps that make a gap</translation>
    </message>
    <message>
        <source>ステレオ</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>なし（中央）</source>
        <translation>None (centre)</translation>
    </message>
    <message>
        <source>Xに沿って左から右へ</source>
        <translation>Left to right along X</translation>
    </message>
    <message>
        <source>系列ごとに</source>
        <translation>One place per series</translation>
    </message>
    <message>
        <source>ステレオの幅</source>
        <translation>Stereo width</translation>
    </message>
    <message>
        <source>目盛り(&amp;T)</source>
        <translation>&amp;Ticks</translation>
    </message>
    <message>
        <source>間隔</source>
        <translation>step</translation>
    </message>
    <message>
        <source>大きな目盛り(&amp;J)</source>
        <translation>Ma&amp;jor ticks</translation>
    </message>
    <message>
        <source>基準音(&amp;F)</source>
        <translation>Re&amp;ference</translation>
    </message>
    <message>
        <source>交差の目印(&amp;C)</source>
        <translation>&amp;Crossing mark</translation>
    </message>
    <message>
        <source>を上下に横切るところ</source>
        <translation>crossed upwards or downwards</translation>
    </message>
    <message>
        <source>倍の空き</source>
        <translation>times the mean step</translation>
    </message>
    <message>
        <source>ステレオ(&amp;S)</source>
        <translation>&amp;Stereo</translation>
    </message>
    <message>
        <source>幅</source>
        <translation>width</translation>
    </message>
    <message>
        <source>既定に戻す(&amp;R)</source>
        <translation>&amp;Restore Defaults</translation>
    </message>
    <message>
        <source>目盛りの間隔は0より大きい数で入力して下さい。</source>
        <translation>Please enter the tick step as a number above 0.</translation>
    </message>
    <message>
        <source>基準音の値は数で入力して下さい（複数はカンマ区切り）。</source>
        <translation>Please enter the reference values as numbers (several separated by commas).</translation>
    </message>
    <message>
        <source>交差の目印の値は数で入力して下さい。</source>
        <translation>Please enter the crossing value as a number.</translation>
    </message>
    <message>
        <source>空きの倍数は0より大きい数で入力して下さい。</source>
        <translation>Please enter the gap factor as a number above 0.</translation>
    </message>
    <message>
        <source>音の目印はありません。</source>
        <translation>No audio cues.</translation>
    </message>
    <message>
        <source>データを読み込むと、何が鳴るかをここに示します。</source>
        <translation>Load data to see here what will sound.</translation>
    </message>
    <message>
        <source>%1ごと</source>
        <translation>every %1</translation>
    </message>
    <message>
        <source>目盛り %1個 (%2)</source>
        <translation>%1 ticks (%2)</translation>
    </message>
    <message>
        <source>基準音 %1 (Y=%2)</source>
        <translation>reference %1 (Y=%2)</translation>
    </message>
    <message>
        <source>交差 %1回</source>
        <translation>%1 crossings</translation>
    </message>
    <message>
        <source>終わりの合図</source>
        <translation>end chime</translation>
    </message>
    <message>
        <source>空きの合図</source>
        <translation>gap tones</translation>
    </message>
    <message>
        <source>ステレオ %1</source>
        <translation>stereo: %1</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>凡例を先に鳴らす(&amp;L)</source>
        <translation>&amp;Legend first</translation>
    </message>
    <message>
        <source>凡例</source>
        <translation>legend</translation>
    </message>
</context>
<context>
    <name>TImportDialog</name>
    <message>
        <source>読み込み設定</source>
        <translation>Import Settings</translation>
    </message>
    <message>
        <source>行番号をXにする(&amp;L)</source>
        <translation>Use the &amp;line number as X</translation>
    </message>
    <message>
        <source>Xを日付として読む(&amp;D)</source>
        <translation>Read X as a &amp;date</translation>
    </message>
    <message>
        <source>小数点にカンマを使う（区切りはセミコロン）(&amp;C)</source>
        <translation>Decimal &amp;comma (fields separated by semicolons)</translation>
    </message>
    <message>
        <source>Xの列(&amp;X)</source>
        <translation>&amp;X column</translation>
    </message>
    <message>
        <source>Yの列(&amp;Y)</source>
        <translation>&amp;Y column</translation>
    </message>
    <message>
        <source>列</source>
        <translation>Column</translation>
    </message>
    <message>
        <source>音色</source>
        <translation>Voice</translation>
    </message>
    <message>
        <source>重ねる列</source>
        <translation>More Y columns</translation>
    </message>
    <message>
        <source>重ねる列(&amp;O)</source>
        <translation>M&amp;ore Y columns</translation>
    </message>
    <message>
        <source>列を追加(&amp;A)</source>
        <translation>&amp;Add Column</translation>
    </message>
    <message>
        <source>列を削除(&amp;E)</source>
        <translation>R&amp;emove Column</translation>
    </message>
    <message>
        <source>先頭20行のプレビュー</source>
        <translation>Preview of the first 20 lines</translation>
    </message>
    <message>
        <source>プレビュー（先頭20行）(&amp;P)</source>
        <translation>&amp;Preview (first 20 lines)</translation>
    </message>
    <message>
        <source>既定に戻す(&amp;R)</source>
        <translation>&amp;Restore Defaults</translation>
    </message>
    <message>
        <source>重ねる列 %1</source>
        <translation>More Y column %1</translation>
    </message>
    <message>
        <source>重ねる列 %1 の音色</source>
        <translation>Voice of more Y column %1</translation>
    </message>
    <message>
        <source>同じ列が2回指定されています。XとYと重ねる列には別々の列を指定して下さい。</source>
        <translation>A column is given twice. Please give X, Y and the more Y columns different columns.</translation>
    </message>
    <message>
        <source>判定</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>有効</source>
        <translation>Valid</translation>
    </message>
    <message>
        <source>自動（カンマ・空白）</source>
        <translation>Auto (comma, blanks)</translation>
    </message>
    <message>
        <source>カンマ</source>
        <translation>Comma</translation>
    </message>
    <message>
        <source>セミコロン</source>
        <translation>Semicolon</translation>
    </message>
    <message>
        <source>タブ</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>空白</source>
        <translation>Blanks</translation>
    </message>
    <message>
        <source>区切り(&amp;S)</source>
        <translation>&amp;Separator</translation>
    </message>
    <message>
        <source>小数点にカンマを使うときは、区切りにカンマを選べません。</source>
        <translation>With a comma as the decimal mark, the comma cannot be the separator.</translation>
    </message>
    <message>
        <source>年/月/日のみ</source>
        <translation>Year first only</translation>
    </message>
    <message>
        <source>日/月/年</source>
        <translation>Day/month/year</translation>
    </message>
    <message>
        <source>月/日/年</source>
        <translation>Month/day/year</translation>
    </message>
    <message>
        <source>日付の順序(&amp;M)</source>
        <translation>Date order: &amp;month first or day first</translation>
    </message>
    <message>
        <source>行の絞り込み(&amp;W)</source>
        <translation>Keep only rows &amp;where</translation>
    </message>
    <message>
        <source>絞り込む列</source>
        <translation>Column to filter by</translation>
    </message>
    <message>
        <source>絞り込む値</source>
        <translation>Value to keep</translation>
    </message>
    <message>
        <source>の値が</source>
        <translation>is</translation>
    </message>
    <message>
        <source>グループごとに系列にする(&amp;G)</source>
        <translation>One series per &amp;group</translation>
    </message>
    <message>
        <source>グループの列</source>
        <translation>Column of the groups</translation>
    </message>
    <message>
        <source>グループごとに系列にするときは、重ねる列を使えません。</source>
        <translation>With one series per group, more Y columns cannot be used.</translation>
    </message>
    <message>
        <source> (グループ)</source>
        <translation> (group)</translation>
    </message>
    <message>
        <source>絞り込みで除外</source>
        <translation>Left out by the filter</translation>
    </message>
    <message>
        <source>全系列を共通の範囲で音にする(&amp;H)</source>
        <translation>One s&amp;hared range for all series</translation>
    </message>
    <message>
        <source>Yの列の休符</source>
        <translation>Rest value of the Y column</translation>
    </message>
    <message>
        <source>休符(&amp;B)</source>
        <translation>Rest &amp;below</translation>
    </message>
    <message>
        <source>以下 (空欄: なし)</source>
        <translation>or less (empty: none)</translation>
    </message>
    <message>
        <source>休符(以下)</source>
        <translation>Rest at or below</translation>
    </message>
    <message>
        <source>重ねる列 %1 の休符</source>
        <translation>Rest value of more Y column %1</translation>
    </message>
    <message>
        <source>休符の値は数で入力して下さい（空欄で休符なし）。</source>
        <translation>Please enter the rest value as a number (empty for no rests).</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>読み込み設定...</source>
        <translation>Import Settings...</translation>
    </message>
    <message>
        <source>読み込みレポート...</source>
        <translation>Import Report...</translation>
    </message>
    <message>
        <source>グラフ...</source>
        <translation>Plot...</translation>
    </message>
    <message>
        <source>マッピング詳細...</source>
        <translation>Mapping Details...</translation>
    </message>
    <message>
        <source>オーディオファイルへ書き出す...</source>
        <translation>Export Audio File...</translation>
    </message>
    <message>
        <source>設定ファイルが大きすぎるため読み込みませんでした。既定の設定を使います。</source>
        <translation>The settings file is too large and was not read. The default settings are used.</translation>
    </message>
    <message>
        <source>設定ファイルの追加のY列（MoreYColumns）は使えない値のため、使いません。</source>
        <translation>The further Y columns in the settings file (MoreYColumns) cannot be used and are left out.</translation>
    </message>
    <message>
        <source>行 %1: %2: %3</source>
        <translation>Line %1: %2: %3</translation>
    </message>
    <message>
        <source>行 %1: %2列目: %3</source>
        <translation>Line %1: column %2: %3</translation>
    </message>
    <message>
        <source>すべての行は「読み込みレポート」(Ctrl+R)で確認できます。</source>
        <translation>Every line is listed in the Import Report (Ctrl+R).</translation>
    </message>
    <message>
        <source>データファイル: </source>
        <translation>Data file: </translation>
    </message>
    <message>
        <source>レコード数 = 0</source>
        <translation>Records = 0</translation>
    </message>
    <message>
        <source>Xの平均間隔 = 0</source>
        <translation>Mean X step = 0</translation>
    </message>
    <message>
        <source>Xの最大値</source>
        <translation>Maximum X</translation>
    </message>
    <message>
        <source>Xの最小値</source>
        <translation>Minimum X</translation>
    </message>
    <message>
        <source>Yの最大値</source>
        <translation>Maximum Y</translation>
    </message>
    <message>
        <source>Yの最小値</source>
        <translation>Minimum Y</translation>
    </message>
    <message>
        <source>CSVファイル(*.csv)</source>
        <translation>CSV file (*.csv)</translation>
    </message>
    <message>
        <source>%1列目</source>
        <translation>Column %1</translation>
    </message>
    <message>
        <source>ファイルは１つしかドロップできません。</source>
        <translation>Only one file can be dropped at a time.</translation>
    </message>
    <message>
        <source>使える音: </source>
        <translation>Notes allowed: </translation>
    </message>
    <message>
        <source>MIDIデバイスをオープンできませんでした。</source>
        <translation>Could not open the MIDI device.</translation>
    </message>
    <message>
        <source>スタンダードMIDIファイル(*.mid)</source>
        <translation>Standard MIDI file (*.mid)</translation>
    </message>
    <message>
        <source>%1が別のアプリケーションで開かれています。ファイルを閉じて下さい。</source>
        <translation>%1 is open in another application. Please close the file.</translation>
    </message>
    <message>
        <source>データ</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>CSVファイル読込...(&amp;I)</source>
        <translation>&amp;Import CSV File...</translation>
    </message>
    <message>
        <source>「ファイルを開く」ダイアログからCSVファイルを選択して開きます。ドラッグ＆ドロップで開くこともできます。</source>
        <translation>Chooses a CSV file in the Open dialog and reads it. You can also drag and drop a file onto the window.</translation>
    </message>
    <message>
        <source>最大値</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>最小値</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>スケールマッピングの設定</source>
        <translation>Scale Mapping</translation>
    </message>
    <message>
        <source>適用するスケール（音階）を指定します。</source>
        <translation>The scale the data is mapped onto.</translation>
    </message>
    <message>
        <source>スケールの主音（中心となる音）を指定します。</source>
        <translation>The root of the scale (its home note).</translation>
    </message>
    <message>
        <source>マッピング範囲の最低音を指定します。</source>
        <translation>The lowest note of the mapping range.</translation>
    </message>
    <message>
        <source>マッピング範囲の最高音を指定します。</source>
        <translation>The highest note of the mapping range.</translation>
    </message>
    <message>
        <source>4分音符の長さに相当するXの変化量を指定します。</source>
        <translation>The change in X that one quarter note stands for.</translation>
    </message>
    <message>
        <source>音符の長さに対する実際の発音時間を0～1の範囲で指定します。</source>
        <translation>How much of each note actually sounds, from 0 to 1.</translation>
    </message>
    <message>
        <source>演奏するテンポを1分間あたりの4分音符の数で指定します。</source>
        <translation>The tempo in quarter notes per minute.</translation>
    </message>
    <message>
        <source>General MIDIで定義された128音色からプログラムを選択します。</source>
        <translation>One of the 128 General MIDI programs.</translation>
    </message>
    <message>
        <source>発音の強さ（ベロシティー）を1～127の範囲で指定します。</source>
        <translation>How hard each note is played (velocity), from 1 to 127.</translation>
    </message>
    <message>
        <source>プログラムチェンジを書き込まない</source>
        <translation>Omit program change</translation>
    </message>
    <message>
        <source>チェックするとSMFにプログラムチェンジを書き込みません。</source>
        <translation>When checked, the MIDI file gets no program change.</translation>
    </message>
    <message>
        <source>試聴(&amp;P)</source>
        <translation>&amp;Preview</translation>
    </message>
    <message>
        <source>現在の設定でスケールマッピングを行い、内蔵のシンセサイザー（FluidSynth）で演奏します。</source>
        <translation>Maps the data with the current settings and plays it on the built-in synthesizer (FluidSynth).</translation>
    </message>
    <message>
        <source>再生停止(&amp;S)</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>再生を中断します。</source>
        <translation>Stops playing.</translation>
    </message>
    <message>
        <source>音量調整...(&amp;V)</source>
        <translation>&amp;Volume...</translation>
    </message>
    <message>
        <source>デスクトップの音量調整画面を開きます。音が出ない場合はシンセサイザーの音量をご確認下さい。</source>
        <translation>Opens the desktop&apos;s volume control. If you hear nothing, check the synthesizer&apos;s volume.</translation>
    </message>
    <message>
        <source>スタンダードMIDIファイルへ保存...(&amp;E)</source>
        <translation>Sav&amp;e MIDI File...</translation>
    </message>
    <message>
        <source>現在の設定でスケールマッピングを行い、スタンダードMIDIファイルに保存します。</source>
        <translation>Maps the data with the current settings and saves it as a Standard MIDI File.</translation>
    </message>
    <message>
        <source>スケール</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>主音</source>
        <translation>Root</translation>
    </message>
    <message>
        <source>最低音</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>最高音</source>
        <translation>High</translation>
    </message>
    <message>
        <source>4分音符あたりのXの増分</source>
        <translation>X per quarter note</translation>
    </message>
    <message>
        <source>デュレーション</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>テンポ</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>音色</source>
        <translation>Voice</translation>
    </message>
    <message>
        <source>ベロシティー</source>
        <translation>Velocity</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>オンラインマニュアルにジャンプします。インターネット接続が必要です。</source>
        <translation>Opens the online manual. Needs an Internet connection.</translation>
    </message>
    <message>
        <source>鍵盤</source>
        <translation>Keyboard</translation>
    </message>
    <message>
        <source>読み込み設定を開く</source>
        <translation>Open Import Settings</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>グループが15を超えています。系列は15までです。</source>
        <translation>There are more than 15 groups. A piece holds at most 15 series.</translation>
    </message>
    <message>
        <source>全体に戻す</source>
        <translation>Whole Piece</translation>
    </message>
    <message>
        <source>選択範囲 %1 をオーディオファイルへ書き出す</source>
        <translation>Export Part %1 as Audio</translation>
    </message>
    <message>
        <source>選択範囲 %1 をスタンダードMIDIファイルへ保存</source>
        <translation>Save Part %1 as MIDI File</translation>
    </message>
    <message>
        <source>選択範囲: %1 (グラフで解除)</source>
        <translation>Part: %1 (release in the plot)</translation>
    </message>
    <message>
        <source>音の目印...</source>
        <translation>Audio Cues...</translation>
    </message>
    <message>
        <source>速さ ×%1</source>
        <translation>Speed ×%1</translation>
    </message>
    <message>
        <source>MIDI出力先...</source>
        <translation>MIDI Output...</translation>
    </message>
    <message>
        <source>MIDI出力先: %1</source>
        <translation>MIDI output: %1</translation>
    </message>
    <message>
        <source>MIDI出力先「%1」が見つからないため、内蔵シンセサイザーで試聴します。</source>
        <translation>The MIDI output “%1” was not found; previews use the built-in synthesizer.</translation>
    </message>
    <message>
        <source>MIDI出力先「%1」との接続が切れたため、試聴を止めました。</source>
        <translation>The preview stopped: the MIDI output “%1” went away.</translation>
    </message>
</context>
<context>
    <name>TOutputDialog</name>
    <message>
        <source>内蔵シンセサイザー</source>
        <translation>Built-in synthesizer</translation>
    </message>
    <message>
        <source>Varimel のポート (%1、他のプログラムから接続)</source>
        <translation>Varimel’s port (%1, for other programs to connect to)</translation>
    </message>
    <message>
        <source>MIDI出力先</source>
        <translation>MIDI Output</translation>
    </message>
    <message>
        <source>試聴の送り先(&amp;O):</source>
        <translation>Send previews &amp;to:</translation>
    </message>
    <message>
        <source>試聴の送り先</source>
        <translation>Send previews to</translation>
    </message>
    <message>
        <source>更新(&amp;R)</source>
        <translation>&amp;Refresh</translation>
    </message>
    <message>
        <source>%1 (見つかりません)</source>
        <translation>%1 (not found)</translation>
    </message>
    <message>
        <source>ALSA シーケンサーも JACK サーバーも見つかりません。</source>
        <translation>Neither an ALSA sequencer nor a JACK server was found.</translation>
    </message>
    <message>
        <source>見つかったポート: %1</source>
        <translation>Ports found: %1</translation>
    </message>
</context>
<context>
    <name>TPlotView</name>
    <message>
        <source>グラフ</source>
        <translation>Plot</translation>
    </message>
    <message>
        <source>データが読み込まれていません</source>
        <translation>No data loaded</translation>
    </message>
    <message>
        <source>%1点、X %2〜%3、Y %4〜%5</source>
        <translation>%1 points, X %2 to %3, Y %4 to %5</translation>
    </message>
    <message>
        <source>、音 %1〜%2</source>
        <translation>, notes %1 to %2</translation>
    </message>
    <message>
        <source>休符</source>
        <translation>rest</translation>
    </message>
    <message>
        <source>横ばい</source>
        <translation>flat</translation>
    </message>
    <message>
        <source>上昇</source>
        <translation>rising</translation>
    </message>
    <message>
        <source>下降</source>
        <translation>falling</translation>
    </message>
    <message>
        <source>%1月%2日</source>
        <translation>%1/%2</translation>
    </message>
    <message>
        <source>%1点、最小 %2 (%3)、最大 %4 (%5)、平均 %6、全体として%7</source>
        <translation>%1 points, lowest %2 (%3), highest %4 (%5), mean %6, %7 overall</translation>
    </message>
    <message>
        <source>、長さ %1</source>
        <translation>, length %1</translation>
    </message>
    <message>
        <source>範囲より下</source>
        <translation>below the range</translation>
    </message>
    <message>
        <source>範囲より上</source>
        <translation>above the range</translation>
    </message>
    <message>
        <source>値なし</source>
        <translation>no value</translation>
    </message>
    <message>
        <source>遅くする</source>
        <translation>Slower</translation>
    </message>
    <message>
        <source>速くする</source>
        <translation>Faster</translation>
    </message>
    <message>
        <source>カーソルから終わりまで再生</source>
        <translation>Play from the cursor to the end</translation>
    </message>
    <message>
        <source>始めからカーソルまで再生</source>
        <translation>Play from the start to the cursor</translation>
    </message>
    <message>
        <source>カーソルの音をもう一度</source>
        <translation>Sound the cursor again</translation>
    </message>
    <message>
        <source>最小値へ</source>
        <translation>To the lowest</translation>
    </message>
    <message>
        <source>最大値へ</source>
        <translation>To the highest</translation>
    </message>
    <message>
        <source>10分の1戻る</source>
        <translation>Back a tenth</translation>
    </message>
    <message>
        <source>10分の1進む</source>
        <translation>On a tenth</translation>
    </message>
    <message>
        <source>前の系列</source>
        <translation>Previous series</translation>
    </message>
    <message>
        <source>次の系列</source>
        <translation>Next series</translation>
    </message>
    <message>
        <source>この系列の要約</source>
        <translation>Summary of this series</translation>
    </message>
    <message>
        <source>全系列の要約</source>
        <translation>Summary of every series</translation>
    </message>
</context>
<context>
    <name>TPlotWindow</name>
    <message>
        <source>グラフ</source>
        <translation>Plot</translation>
    </message>
    <message>
        <source>選択</source>
        <translation>Selection</translation>
    </message>
    <message>
        <source>全体表示</source>
        <translation>Show All</translation>
    </message>
    <message>
        <source>画像として保存...</source>
        <translation>Save as Image...</translation>
    </message>
    <message>
        <source>グラフ - </source>
        <translation>Plot - </translation>
    </message>
    <message>
        <source>マッピング: </source>
        <translation>Mapping: </translation>
    </message>
    <message>
        <source>ドラッグで範囲を選ぶと、その部分だけを試聴・保存します。</source>
        <translation>Drag across the plot to preview and save only that part.</translation>
    </message>
    <message>
        <source>選択: X %1 – %2</source>
        <translation>Selection: X %1 – %2</translation>
    </message>
    <message>
        <source> · %1音 · %2</source>
        <translation> · %1 notes · %2</translation>
    </message>
    <message>
        <source> · %1点</source>
        <translation> · %1 points</translation>
    </message>
    <message>
        <source>PNG画像(*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>SVG画像(*.svg)</source>
        <translation>SVG image (*.svg)</translation>
    </message>
    <message>
        <source>画像を保存できませんでした。</source>
        <translation>Could not save the image.</translation>
    </message>
    <message>
        <source>部分(&amp;P)</source>
        <translation>&amp;Part</translation>
    </message>
    <message>
        <source>部分の始まり</source>
        <translation>Start of the part</translation>
    </message>
    <message>
        <source>部分の終わり</source>
        <translation>End of the part</translation>
    </message>
    <message>
        <source>始まりと終わりを入力して Enter で、その部分を選びます。両方を空にすると全体に戻ります。</source>
        <translation>Type the start and the end and press Enter to choose that part. Both empty: the whole piece.</translation>
    </message>
    <message>
        <source>部分は 2024-01-05 のような日付で入力して下さい。</source>
        <translation>Please type the part as dates like 2024-01-05.</translation>
    </message>
    <message>
        <source>部分は数値で入力して下さい。</source>
        <translation>Please type the part as numbers.</translation>
    </message>
    <message>
        <source>部分の始まりは終わり以前にして下さい。</source>
        <translation>Please make the part&apos;s start no later than its end.</translation>
    </message>
    <message>
        <source>〜</source>
        <translation>–</translation>
    </message>
</context>
<context>
    <name>TPreview</name>
    <message>
        <source>オーディオファイルへ書き出す... で聴けます。</source>
        <translation> You can listen through Export Audio File....</translation>
    </message>
    <message>
        <source>音色ファイル（SoundFont）が見つかりません。fluid-soundfont-gm を入れるか、設定ファイルの [Playback] SoundFont に指定して下さい。</source>
        <translation>No SoundFont was found. Install fluid-soundfont-gm, or name one in [Playback] SoundFont of the settings file.</translation>
    </message>
    <message>
        <source>音色ファイル（SoundFont）を読み込めませんでした: %1</source>
        <translation>The SoundFont could not be loaded: %1</translation>
    </message>
    <message>
        <source>音声の出力先を開けませんでした。サウンドの設定を確かめて下さい。</source>
        <translation>No audio output could be opened. Please check the sound settings.</translation>
    </message>
    <message>
        <source>シンセサイザーを準備できませんでした。</source>
        <translation>The synthesizer could not be prepared.</translation>
    </message>
    <message>
        <source>MIDI出力先を開けませんでした。ほかのプログラムのポートが終了していないか確かめるか、MIDI出力先... で選び直して下さい。</source>
        <translation>The MIDI output could not be opened. Check that the other program’s port is still there, or choose again with MIDI Output...</translation>
    </message>
</context>
<context>
    <name>TReportDialog</name>
    <message>
        <source>読み込みレポート</source>
        <translation>Import Report</translation>
    </message>
    <message>
        <source>ファイル: </source>
        <translation>File: </translation>
    </message>
    <message>
        <source>（なし）</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>読み込み設定: </source>
        <translation>Import settings: </translation>
    </message>
    <message>
        <source>マッピング: </source>
        <translation>Mapping: </translation>
    </message>
    <message>
        <source>有効なレコード: %1&#x3000;読み飛ばした行: %2</source>
        <translation>Valid records: %1   Skipped lines: %2</translation>
    </message>
    <message>
        <source>&#x3000;値のない列: %1</source>
        <translation>   Missing values: %1</translation>
    </message>
    <message>
        <source>読み飛ばした行</source>
        <translation>Skipped lines</translation>
    </message>
    <message>
        <source>表をコピー(&amp;C)</source>
        <translation>&amp;Copy Table</translation>
    </message>
    <message>
        <source>TSVファイルに保存...(&amp;S)</source>
        <translation>&amp;Save as TSV File...</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>TSVファイル(*.tsv)</source>
        <translation>TSV file (*.tsv)</translation>
    </message>
    <message>
        <source>ファイルを保存できませんでした。</source>
        <translation>Could not save the file.</translation>
    </message>
</context>
<context>
    <name>TShapeDialog</name>
    <message>
        <source>マッピング詳細</source>
        <translation>Mapping Details</translation>
    </message>
    <message>
        <source>高い値を高い音に</source>
        <translation>High values to high notes</translation>
    </message>
    <message>
        <source>反転</source>
        <translation>Inverted</translation>
    </message>
    <message>
        <source>線形</source>
        <translation>Linear</translation>
    </message>
    <message>
        <source>対数</source>
        <translation>Logarithmic</translation>
    </message>
    <message>
        <source>そのまま</source>
        <translation>Keep all</translation>
    </message>
    <message>
        <source>上下 1% を端の音に</source>
        <translation>Top and bottom 1% to the end notes</translation>
    </message>
    <message>
        <source>上下 2% を端の音に</source>
        <translation>Top and bottom 2% to the end notes</translation>
    </message>
    <message>
        <source>上下 5% を端の音に</source>
        <translation>Top and bottom 5% to the end notes</translation>
    </message>
    <message>
        <source>データの最小・最大</source>
        <translation>The data&apos;s minimum and maximum</translation>
    </message>
    <message>
        <source>固定</source>
        <translation>Fixed</translation>
    </message>
    <message>
        <source>範囲の最小</source>
        <translation>Range minimum</translation>
    </message>
    <message>
        <source>範囲の最大</source>
        <translation>Range maximum</translation>
    </message>
    <message>
        <source>一定</source>
        <translation>Fixed</translation>
    </message>
    <message>
        <source>列から</source>
        <translation>From a column</translation>
    </message>
    <message>
        <source>音の強さの列</source>
        <translation>Velocity column</translation>
    </message>
    <message>
        <source>音の強さの最小</source>
        <translation>Lowest velocity</translation>
    </message>
    <message>
        <source>音の強さの最大</source>
        <translation>Highest velocity</translation>
    </message>
    <message>
        <source>音の長さの列</source>
        <translation>Length column</translation>
    </message>
    <message>
        <source>音の長さの最小</source>
        <translation>Shortest length</translation>
    </message>
    <message>
        <source>音の長さの最大</source>
        <translation>Longest length</translation>
    </message>
    <message>
        <source>向き(&amp;D)</source>
        <translation>&amp;Direction</translation>
    </message>
    <message>
        <source>尺度(&amp;S)</source>
        <translation>&amp;Scale of Y</translation>
    </message>
    <message>
        <source>外れ値(&amp;O)</source>
        <translation>&amp;Outliers</translation>
    </message>
    <message>
        <source>範囲(&amp;R)</source>
        <translation>&amp;Range</translation>
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
        <source>音の強さ(&amp;V)</source>
        <translation>&amp;Velocity</translation>
    </message>
    <message>
        <source>列</source>
        <translation>column</translation>
    </message>
    <message>
        <source>範囲</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>〜</source>
        <translation>to</translation>
    </message>
    <message>
        <source>音の長さ(&amp;L)</source>
        <translation>&amp;Length</translation>
    </message>
    <message>
        <source>プレビュー</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>既定に戻す(&amp;E)</source>
        <translation>R&amp;estore Defaults</translation>
    </message>
    <message>
        <source>範囲の最小と最大には数値を入力して下さい。</source>
        <translation>Please enter numbers for the minimum and maximum of the range.</translation>
    </message>
    <message>
        <source>音の長さの範囲には数値を入力して下さい。</source>
        <translation>Please enter numbers for the range of lengths.</translation>
    </message>
    <message>
        <source>範囲の最小は最大より小さく、対数では0より大きくして下さい。</source>
        <translation>The minimum of the range must be below the maximum, and above 0 on a logarithmic scale.</translation>
    </message>
    <message>
        <source>範囲の最小は最大より小さくして下さい。</source>
        <translation>The minimum of the range must be below the maximum.</translation>
    </message>
    <message>
        <source>音の強さの範囲は1〜127で、最小を最大以下にして下さい。</source>
        <translation>Velocities run from 1 to 127, the lowest no higher than the highest.</translation>
    </message>
    <message>
        <source>音の長さの範囲は0より大きく1以下で、最小を最大以下にして下さい。</source>
        <translation>Lengths must be above 0 and at most 1, the shortest no longer than the longest.</translation>
    </message>
    <message>
        <source>マッピング詳細の値が正しくありません。</source>
        <translation>A value of the mapping details is not valid.</translation>
    </message>
    <message>
        <source>プレビュー: ―</source>
        <translation>Preview: —</translation>
    </message>
    <message>
        <source>%1〜%2, %3 音, うち端の音 %4</source>
        <translation>%1 to %2, %3 notes, %4 of them at the end notes</translation>
    </message>
    <message>
        <source>休符にする値</source>
        <translation>Rest at or below</translation>
    </message>
    <message>
        <source>休符(&amp;T)</source>
        <translation>Res&amp;ts</translation>
    </message>
    <message>
        <source>以下は鳴らさない（系列ごとにカンマ区切り、- はなし）</source>
        <translation>and below are silent (one per series, separated by commas; - for none)</translation>
    </message>
    <message>
        <source>休符にする値には数値（なしは -）をカンマで区切って15個まで入力して下さい。</source>
        <translation>Please enter up to 15 numbers for the rests (- for none), separated by commas.</translation>
    </message>
</context>
<context>
    <name>TSkippedLinesModel</name>
    <message>
        <source>行</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>理由</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>列</source>
        <translation>Column</translation>
    </message>
</context>
</TS>
