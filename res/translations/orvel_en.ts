<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Orvelのﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>About Orvel</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ホームページ</source>
        <translation>Home page</translation>
    </message>
</context>
<context>
    <name>Askpass</name>
    <message>
        <source>Orvel - ssh</source>
        <translation>Orvel - ssh</translation>
    </message>
    <message>
        <source>ssh が入力を求めています</source>
        <translation>ssh asks for input</translation>
    </message>
    <message>
        <source>接続先のホストの鍵はまだ登録されていません
指紋が接続先の管理者の示すものと同じ場合にだけ接続してください</source>
        <translation>The host's key is not known yet.
Connect only if the fingerprint is the one the host's administrator gives.</translation>
    </message>
    <message>
        <source>ssh が確認を求めています</source>
        <translation>ssh asks for confirmation</translation>
    </message>
    <message>
        <source>ssh からのお知らせ</source>
        <translation>A notice from ssh</translation>
    </message>
    <message>
        <source>鍵を登録して接続(&amp;C)</source>
        <translation>Trust the key and &amp;connect</translation>
    </message>
    <message>
        <source>はい(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CondiBar</name>
    <message>
        <source>基本フォルダ(&amp;A)</source>
        <translation>Base Folder &amp;A</translation>
    </message>
    <message>
        <source>対照フォルダ(&amp;B)</source>
        <translation>Target Folder &amp;B</translation>
    </message>
    <message>
        <source>以下の拡張子だけ同期に含める(&amp;E)</source>
        <translation>Sync only these &amp;extensions:</translation>
    </message>
    <message>
        <source>以下の拡張子は同期に含めない(&amp;N)</source>
        <translation>Do &amp;not sync these extensions:</translation>
    </message>
</context>
<context>
    <name>ConditionNameDialog</name>
    <message>
        <source>条件名称設定</source>
        <translation>Condition Name</translation>
    </message>
    <message>
        <source>条件名(&amp;N)</source>
        <translation>Condition &amp;name:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>EnvPage</name>
    <message>
        <source>環境</source>
        <translation>Environment</translation>
    </message>
    <message>
        <source>ダブルクリック</source>
        <translation>Double-click</translation>
    </message>
    <message>
        <source>更新(&amp;X)</source>
        <translation>&amp;Update the file</translation>
    </message>
    <message>
        <source>プロパティ(R)</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source>外部ツール起動(&amp;T)</source>
        <translation>Start the external &amp;tool</translation>
    </message>
    <message>
        <source>外部ツール</source>
        <translation>External Tool</translation>
    </message>
    <message>
        <source>名称(&amp;N)</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>パス(&amp;P)</source>
        <translation>&amp;Path:</translation>
    </message>
    <message>
        <source>同期実行前に確認ダイアログ表示(&amp;D)</source>
        <translation>Ask before a sync run (confirmation &amp;dialog)</translation>
    </message>
</context>
<context>
    <name>FileManager</name>
    <message>
        <source>ファイルマネージャに接続できません: %1</source>
        <translation>Cannot reach the file manager: %1</translation>
    </message>
    <message>
        <source>ファイルマネージャが応答しません: %1</source>
        <translation>The file manager does not answer: %1</translation>
    </message>
    <message>
        <source>フォルダを開けません: %1（フォルダを開くプログラムが見つかりません）</source>
        <translation>Cannot open the folder: %1 (no program to open folders was found)</translation>
    </message>
</context>
<context>
    <name>FilterBar</name>
    <message>
        <source>差分</source>
        <translation>Differences</translation>
    </message>
    <message>
        <source>競合</source>
        <translation>Conflicts</translation>
    </message>
    <message>
        <source>失敗</source>
        <translation>Failures</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Deletions</translation>
    </message>
    <message>
        <source>同じ</source>
        <translation>Identical</translation>
    </message>
    <message>
        <source>コピーする行（&gt; &gt;&gt; &lt; &lt;&lt;）と同期済みの行（&gt;= &lt;=）</source>
        <translation>Lines to copy (&gt; &gt;&gt; &lt; &lt;&lt;) and lines synchronized (&gt;= &lt;=)</translation>
    </message>
    <message>
        <source>競合した行（!）</source>
        <translation>Conflicting lines (!)</translation>
    </message>
    <message>
        <source>失敗した行（?）</source>
        <translation>Failed lines (?)</translation>
    </message>
    <message>
        <source>削除する行（X &lt;X）と削除済みの行（X= &lt;X=）</source>
        <translation>Lines to delete (X &lt;X) and lines deleted (X= &lt;X=)</translation>
    </message>
    <message>
        <source>同じファイルの行（=）</source>
        <translation>Lines of identical files (=)</translation>
    </message>
    <message>
        <source>表示:</source>
        <translation>Show:</translation>
    </message>
    <message>
        <source>どれも選ばないときはすべての行を表示します</source>
        <translation>With none chosen, every line is shown</translation>
    </message>
    <message>
        <source>名前(&amp;M):</source>
        <translation>Na&amp;me:</translation>
    </message>
    <message>
        <source>名前の一部（大文字小文字を区別しない）</source>
        <translation>Part of the name (any case)</translation>
    </message>
    <message>
        <source>名前で絞り込む</source>
        <translation>Filter by name</translation>
    </message>
    <message>
        <source>フィルタを閉じてすべての行を表示します (Esc)</source>
        <translation>Close the filter and show every line (Esc)</translation>
    </message>
    <message>
        <source>フィルタを閉じる</source>
        <translation>Close the filter</translation>
    </message>
</context>
<context>
    <name>LegendDialog</name>
    <message>
        <source>結果の意味</source>
        <translation>What the Results Mean</translation>
    </message>
    <message>
        <source>結果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>意味</source>
        <translation>Meaning</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>アイコンの右下の点: 実行で処理した行</source>
        <translation>Dot at the icon&apos;s lower right: a line the run acted on</translation>
    </message>
</context>
<context>
    <name>MainFrame</name>
    <message>
        <source>ﾚﾃﾞｨ</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>条件読込(&amp;O)...	Ctrl+O</source>
        <translation>&amp;Open Conditions...	Ctrl+O</translation>
    </message>
    <message>
        <source>条件保存(&amp;S)...	Ctrl+S</source>
        <translation>&amp;Save Conditions...	Ctrl+S</translation>
    </message>
    <message>
        <source>新規作成(&amp;N)...	Ctrl+N</source>
        <translation>&amp;New...	Ctrl+N</translation>
    </message>
    <message>
        <source>名称変更(&amp;R)...	Ctrl+R</source>
        <translation>&amp;Rename...	Ctrl+R</translation>
    </message>
    <message>
        <source>削除(&amp;D)...	Ctrl+D</source>
        <translation>&amp;Delete...	Ctrl+D</translation>
    </message>
    <message>
        <source>基本フォルダ変更(&amp;A)...	Alt+A</source>
        <translation>Change Base Folder &amp;A...	Alt+A</translation>
    </message>
    <message>
        <source>対照フォルダ変更(&amp;B)...	Alt+B</source>
        <translation>Change Target Folder &amp;B...	Alt+B</translation>
    </message>
    <message>
        <source>基本対照の入替(&amp;C)...	Alt+C</source>
        <translation>S&amp;wap Base and Target...	Alt+C</translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>リスト作成(&amp;L)	F5</source>
        <translation>&amp;List Creation	F5</translation>
    </message>
    <message>
        <source>実行(&amp;R)	Shift+F5</source>
        <translation>&amp;Run	Shift+F5</translation>
    </message>
    <message>
        <source>選択ファイル更新(&amp;X)</source>
        <translation>&amp;Update Selected Files</translation>
    </message>
    <message>
        <source>強制基本同期(&amp;K)...</source>
        <translation>Force Sync from &amp;Base...</translation>
    </message>
    <message>
        <source>強制対照同期(&amp;T)...</source>
        <translation>Force Sync from &amp;Target...</translation>
    </message>
    <message>
        <source>オプション(&amp;O)...	Alt+F7</source>
        <translation>&amp;Options...	Alt+F7</translation>
    </message>
    <message>
        <source>完全同期(&amp;C)</source>
        <translation>&amp;Complete Sync</translation>
    </message>
    <message>
        <source>削除はゴミ箱(&amp;R)</source>
        <translation>Delete to T&amp;rash</translation>
    </message>
    <message>
        <source>サブフォルダも検索(&amp;S)</source>
        <translation>Search &amp;Subfolders</translation>
    </message>
    <message>
        <source>同じファイルの表示(&amp;D)</source>
        <translation>Hide I&amp;dentical Files</translation>
    </message>
    <message>
        <source>空フォルダ検索(&amp;M)</source>
        <translation>Sync E&amp;mpty Folders</translation>
    </message>
    <message>
        <source>ゴミ箱を同期に含めない(&amp;T)</source>
        <translation>Exclude &amp;Trash Folders</translation>
    </message>
    <message>
        <source>指定拡張子を同期に含める(&amp;E)</source>
        <translation>Sync Only These &amp;Extensions</translation>
    </message>
    <message>
        <source>指定拡張子を同期に含めない(&amp;N)</source>
        <translation>Do &amp;Not Sync These Extensions</translation>
    </message>
    <message>
        <source>ｽﾃｰﾀｽ ﾊﾞｰ(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>プロパティ(&amp;R)</source>
        <translation>P&amp;roperties</translation>
    </message>
    <message>
        <source>基本ファイルを探す(&amp;K)</source>
        <translation>Find &amp;Base File</translation>
    </message>
    <message>
        <source>対照ファイルを探す(&amp;T)</source>
        <translation>Find &amp;Target File</translation>
    </message>
    <message>
        <source>外部ツール</source>
        <translation>External Tool</translation>
    </message>
    <message>
        <source>結果の意味(&amp;K)...</source>
        <translation>What the &amp;Results Mean...</translation>
    </message>
    <message>
        <source>Orvel のﾊﾞｰｼﾞｮﾝ情報(&amp;A)...</source>
        <translation>&amp;About Orvel...</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>条件(&amp;J)</source>
        <translation>Co&amp;nditions</translation>
    </message>
    <message>
        <source>最近使ったファイル</source>
        <translation>Recent Files</translation>
    </message>
    <message>
        <source>同期(&amp;S)</source>
        <translation>&amp;Sync</translation>
    </message>
    <message>
        <source>同期オプション(&amp;S)</source>
        <translation>Sync O&amp;ptions</translation>
    </message>
    <message>
        <source>検索オプション(&amp;F)</source>
        <translation>Searc&amp;h Options</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ツール(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>ﾍﾙﾌﾟ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>新規作成(&amp;N)...</source>
        <translation>&amp;New...</translation>
    </message>
    <message>
        <source>名称変更(&amp;R)...</source>
        <translation>&amp;Rename...</translation>
    </message>
    <message>
        <source>削除(&amp;D)...</source>
        <translation>&amp;Delete...</translation>
    </message>
    <message>
        <source>標準</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>ｶﾅ</source>
        <translation>KANA</translation>
    </message>
    <message>
        <source>CAP</source>
        <translation>CAP</translation>
    </message>
    <message>
        <source>NUM</source>
        <translation>NUM</translation>
    </message>
    <message>
        <source>SCRL</source>
        <translation>SCRL</translation>
    </message>
    <message>
        <source>フィルタ(&amp;F)	Ctrl+F</source>
        <translation>&amp;Filter	Ctrl+F</translation>
    </message>
    <message>
        <source>失敗と競合だけ表示(&amp;P)</source>
        <translation>&amp;Only Failures and Conflicts</translation>
    </message>
</context>
<context>
    <name>Mark</name>
    <message>
        <source>同じ</source>
        <translation>Identical</translation>
    </message>
    <message>
        <source>基本フォルダが新しい</source>
        <translation>The base folder&apos;s file is newer</translation>
    </message>
    <message>
        <source>基本フォルダにしかファイルが存在しない</source>
        <translation>The file exists only in the base folder</translation>
    </message>
    <message>
        <source>対照フォルダが新しい</source>
        <translation>The target folder&apos;s file is newer</translation>
    </message>
    <message>
        <source>対照フォルダにしかファイルが存在しない</source>
        <translation>The file exists only in the target folder</translation>
    </message>
    <message>
        <source>基本が新しく同期済み</source>
        <translation>The base was newer; synced</translation>
    </message>
    <message>
        <source>対照が新しく同期済み</source>
        <translation>The target was newer; synced</translation>
    </message>
    <message>
        <source>同期失敗</source>
        <translation>The sync failed</translation>
    </message>
    <message>
        <source>完全同期 削除予定（対照フォルダのファイル）</source>
        <translation>Complete sync: to be deleted (the target folder&apos;s file)</translation>
    </message>
    <message>
        <source>完全同期 削除済み（対照フォルダのファイル）</source>
        <translation>Complete sync: deleted (the target folder&apos;s file)</translation>
    </message>
    <message>
        <source>前回の同期の後に対照フォルダで削除 削除予定（基本フォルダのファイル）</source>
        <translation>Deleted in the target folder since the last sync: to be deleted (the base folder&apos;s file)</translation>
    </message>
    <message>
        <source>前回の同期の後に対照フォルダで削除 削除済み（基本フォルダのファイル）</source>
        <translation>Deleted in the target folder since the last sync: deleted (the base folder&apos;s file)</translation>
    </message>
    <message>
        <source>競合 前回の同期の後に両方で変更（一方で変更・他方で削除）</source>
        <translation>Conflict: changed on both sides since the last sync (or changed on one side and deleted on the other)</translation>
    </message>
</context>
<context>
    <name>OptionsSheet</name>
    <message>
        <source>オプション</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>OrvelApp</name>
    <message>
        <source>%1
を開けません。</source>
        <translation>%1
cannot be opened.</translation>
    </message>
</context>
<context>
    <name>OrvelView</name>
    <message>
        <source>条件ファイルが大きすぎるため読み込めません
%1</source>
        <translation>The condition file is too large to be loaded:
%1</translation>
    </message>
    <message>
        <source>指定された条件ファイルが見つかりません</source>
        <translation>The condition file cannot be found.</translation>
    </message>
    <message>
        <source>条件「%1」のフォルダ名または拡張子に改行が含まれているため、保存できません</source>
        <translation>The conditions cannot be saved: a folder name or an extension of the condition &quot;%1&quot; holds a line break.</translation>
    </message>
    <message>
        <source>条件ファイルを保存できません
%1
%2</source>
        <translation>The condition file cannot be saved:
%1
%2</translation>
    </message>
    <message>
        <source>更新(&amp;X)</source>
        <translation>&amp;Update</translation>
    </message>
    <message>
        <source>プロパティ(&amp;R)</source>
        <translation>P&amp;roperties</translation>
    </message>
    <message>
        <source>外部ツール</source>
        <translation>External Tool</translation>
    </message>
    <message>
        <source>基本ファイルを探す(&amp;K)</source>
        <translation>Find &amp;Base File</translation>
    </message>
    <message>
        <source>対照ファイルを探す(&amp;T)</source>
        <translation>Find &amp;Target File</translation>
    </message>
    <message>
        <source>強制基本コピー(&amp;1)...</source>
        <translation>&amp;1 Force Copy from Base...</translation>
    </message>
    <message>
        <source>強制対象コピー(&amp;2)...</source>
        <translation>&amp;2 Force Copy from Target...</translation>
    </message>
    <message>
        <source>キャンセル(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>ProgressDialog</name>
    <message>
        <source>同期実行中...</source>
        <translation>Syncing...</translation>
    </message>
    <message>
        <source>同期条件:</source>
        <translation>Condition:</translation>
    </message>
    <message>
        <source>ｷｬﾝｾﾙ</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>PropertiesDialog</name>
    <message>
        <source>名前:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>場所:</source>
        <translation>Location:</translation>
    </message>
    <message>
        <source>種類:</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>サイズ:</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>更新日時:</source>
        <translation>Modified:</translation>
    </message>
    <message>
        <source>アクセス日時:</source>
        <translation>Accessed:</translation>
    </message>
    <message>
        <source>状態変更日時:</source>
        <translation>Status changed:</translation>
    </message>
    <message>
        <source>アクセス権:</source>
        <translation>Permissions:</translation>
    </message>
    <message>
        <source>所有者:</source>
        <translation>Owner:</translation>
    </message>
    <message>
        <source>%1 バイト</source>
        <translation>%1 bytes</translation>
    </message>
    <message>
        <source>見つかりません</source>
        <translation>Not found</translation>
    </message>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>フォルダ</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>シンボリックリンク → %1</source>
        <translation>Symbolic link → %1</translation>
    </message>
    <message>
        <source>特殊ファイル</source>
        <translation>Special file</translation>
    </message>
    <message>
        <source>%1 のプロパティ</source>
        <translation>%1 Properties</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>ResultList</name>
    <message>
        <source>結果リスト</source>
        <translation>Result list</translation>
    </message>
    <message>
        <source>結果リストの列</source>
        <translation>Result list columns</translation>
    </message>
</context>
<context>
    <name>ResultModel</name>
    <message>
        <source>ファイル</source>
        <translation>File</translation>
    </message>
    <message>
        <source>基本日付</source>
        <translation>Base Date</translation>
    </message>
    <message>
        <source>結果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>対照日付</source>
        <translation>Target Date</translation>
    </message>
    <message>
        <source>パス</source>
        <translation>Path</translation>
    </message>
</context>
<context>
    <name>SearchPage</name>
    <message>
        <source>検索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>サブフォルダも検索する(&amp;S)</source>
        <translation>Search &amp;subfolders too</translation>
    </message>
    <message>
        <source>同じファイルは表示しない(&amp;D)</source>
        <translation>&amp;Don&apos;t show identical files</translation>
    </message>
    <message>
        <source>以下の拡張子だけ同期に含める(&amp;E)</source>
        <translation>Sync only these &amp;extensions:</translation>
    </message>
    <message>
        <source>以下の拡張子は同期に含めない(&amp;N)</source>
        <translation>Do &amp;not sync these extensions:</translation>
    </message>
    <message>
        <source>拡張子の複数指定はスペース区切り
例）EXE COM BAT</source>
        <translation>Separate several extensions with blanks,
for example: EXE COM BAT</translation>
    </message>
    <message>
        <source>※このオプションは条件ごとに保存されます</source>
        <translation>* These options are kept for each condition.</translation>
    </message>
    <message>
        <source>以内の時差は同期に含めない(&amp;T)</source>
        <translation>&amp;Time differences up to this are ignored</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>分</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>時間</source>
        <translation>hours</translation>
    </message>
    <message>
        <source>日</source>
        <translation>days</translation>
    </message>
    <message>
        <source>空フォルダを同期に含める(&amp;M)</source>
        <translation>Sync e&amp;mpty folders</translation>
    </message>
    <message>
        <source>ゴミ箱を同期に含めない(&amp;T)</source>
        <translation>E&amp;xclude trash folders</translation>
    </message>
    <message>
        <source>正の整数を入力してください。</source>
        <translation>Please enter a whole number of zero or more.</translation>
    </message>
    <message>
        <source>%1 から %2 までの整数を入力してください。</source>
        <translation>Please enter a whole number from %1 to %2.</translation>
    </message>
</context>
<context>
    <name>ShellActions</name>
    <message>
        <source>外部ツールを起動できません: %1</source>
        <translation>The external tool cannot be started: %1</translation>
    </message>
    <message>
        <source>外部ツール: 両方のファイルがそろっていない %1 行には起動しません</source>
        <translation>External tool: not started for %1 lines that lack a file on one side</translation>
    </message>
    <message>
        <source>ほかのマシンのフォルダはファイルマネージャで開けません: %1</source>
        <translation>The file manager cannot open a folder on another machine: %1</translation>
    </message>
    <message>
        <source>外部ツール: ほかのマシンのファイルがある %1 行には起動しません</source>
        <translation>External tool: not started for %1 line(s) with a file on another machine</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>基本フォルダを指定します
基本フォルダ</source>
        <translation>Enter the base folder
Base folder</translation>
    </message>
    <message>
        <source>対照フォルダを指定します
対照フォルダ</source>
        <translation>Enter the target folder
Target folder</translation>
    </message>
    <message>
        <source>拡張子を含める</source>
        <translation>Sync only the extensions listed</translation>
    </message>
    <message>
        <source>同期に含める拡張子を指定します
含める拡張子</source>
        <translation>Enter the extensions to sync
Extensions to sync</translation>
    </message>
    <message>
        <source>同期に含めない拡張子を指定します
含めない拡張子</source>
        <translation>Enter the extensions not to sync
Extensions not to sync</translation>
    </message>
    <message>
        <source>拡張子を含めない</source>
        <translation>Do not sync the extensions listed</translation>
    </message>
    <message>
        <source>同期条件
同期条件</source>
        <translation>Sync conditions
Sync conditions</translation>
    </message>
    <message>
        <source>CondiBar の表示または非表示
CondiBar の表示/非表示</source>
        <translation>Show or hide the condition bar
Show/hide the condition bar</translation>
    </message>
    <message>
        <source>基本フォルダ変更
基本フォルダ変更</source>
        <translation>Change the base folder
Change base folder</translation>
    </message>
    <message>
        <source>対照フォルダ変更
対照フォルダ変更</source>
        <translation>Change the target folder
Change target folder</translation>
    </message>
    <message>
        <source>同期ファイルのリストを作成する（ファイル操作はなし）
同期ファイルリスト作成</source>
        <translation>Make the list of files to sync (no file is changed)
List files to sync</translation>
    </message>
    <message>
        <source>基本フォルダと対照フォルダを入れ替える
基本対照フォルダの入替</source>
        <translation>Swap the base folder and the target folder
Swap base and target</translation>
    </message>
    <message>
        <source>サブフォルダを検索する
サブフォルダ検索</source>
        <translation>Search subfolders too
Search subfolders</translation>
    </message>
    <message>
        <source>オプション設定
オプション設定</source>
        <translation>Set the options
Options</translation>
    </message>
    <message>
        <source>処理中止
処理中止</source>
        <translation>Stop the operation
Stop</translation>
    </message>
    <message>
        <source>同期実行
同期実行</source>
        <translation>Run the sync
Run the sync</translation>
    </message>
    <message>
        <source>選択されたファイルを更新する
選択ファイル更新</source>
        <translation>Update the selected files
Update selected files</translation>
    </message>
    <message>
        <source>キャンセル
キャンセル</source>
        <translation>Cancel
Cancel</translation>
    </message>
    <message>
        <source>ファイルプロパティ
ファイルプロパティ</source>
        <translation>Show the file&apos;s properties
File properties</translation>
    </message>
    <message>
        <source>同期条件の保存
同期条件保存</source>
        <translation>Save the sync conditions to a file
Save conditions</translation>
    </message>
    <message>
        <source>同期条件の読込
同期条件読込</source>
        <translation>Load sync conditions from a file
Load conditions</translation>
    </message>
    <message>
        <source>結果の意味
結果カラムに表示される記号の意味を表示する</source>
        <translation>What the results mean
Show what the marks in the result column mean</translation>
    </message>
    <message>
        <source>同期モードを完全同期モードとする
完全同期モード</source>
        <translation>Make the sync a complete sync
Complete sync</translation>
    </message>
    <message>
        <source>削除はゴミ箱へ移動する
削除はゴミ箱</source>
        <translation>Move deleted files to the trash
Delete to trash</translation>
    </message>
    <message>
        <source>ゴミ箱を同期に含めない
ゴミ箱を同期に含めない</source>
        <translation>Leave trash folders out of the sync
Exclude trash folders</translation>
    </message>
    <message>
        <source>空フォルダを同期に含めない
空フォルダ検索</source>
        <translation>Sync empty folders too
Sync empty folders</translation>
    </message>
    <message>
        <source>同じファイルは表示しない
同じファイルは表示しない</source>
        <translation>Do not show identical files
Hide identical files</translation>
    </message>
    <message>
        <source>指定拡張子を同期に含める
拡張子同期含む</source>
        <translation>Sync only the extensions listed
Sync only these extensions</translation>
    </message>
    <message>
        <source>指定拡張子を同期に含めない
拡張子同期含まない</source>
        <translation>Do not sync the extensions listed
Do not sync these extensions</translation>
    </message>
    <message>
        <source>対照ファイルを探しフォルダを開く
対照ファイルを探す</source>
        <translation>Find the target file and open its folder
Find target file</translation>
    </message>
    <message>
        <source>基本ファイルを探しフォルダを開く
基本ファイルを探す</source>
        <translation>Find the base file and open its folder
Find base file</translation>
    </message>
    <message>
        <source>条件を追加作詞する
条件新規作成</source>
        <translation>Add a new condition
New condition</translation>
    </message>
    <message>
        <source>条件名称変更
条件名称変更</source>
        <translation>Rename the condition
Rename condition</translation>
    </message>
    <message>
        <source>条件削除
条件削除</source>
        <translation>Delete the condition
Delete condition</translation>
    </message>
    <message>
        <source>日付に関わらず強制的に基本から対照へコピー実行
強制基本コピー</source>
        <translation>Copy from the base to the target, whatever the dates
Force copy from base</translation>
    </message>
    <message>
        <source>日付に関わらず強制的に対照から基本へコピー実行
強制対照コピー</source>
        <translation>Copy from the target to the base, whatever the dates
Force copy from target</translation>
    </message>
    <message>
        <source>ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示
ﾊﾞｰｼﾞｮﾝ情報</source>
        <translation>Show the program&apos;s information, version and copyright
About Orvel</translation>
    </message>
    <message>
        <source>ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示
終了</source>
        <translation>Quit the application
Exit</translation>
    </message>
    <message>
        <source>ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示
ｽﾃｰﾀｽ ﾊﾞｰの表示切り替え</source>
        <translation>Show or hide the status bar
Toggle the status bar</translation>
    </message>
    <message>
        <source>選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存
ｺﾋﾟｰ</source>
        <translation>Copy the selection to the clipboard
Copy</translation>
    </message>
    <message>
        <source>指定のﾌｧｲﾙを開く</source>
        <translation>Open this file</translation>
    </message>
    <message>
        <source>種類と名前で表示する行を絞り込む
フィルタ</source>
        <translation>Show only the lines of some kinds, or with a name
Filter</translation>
    </message>
    <message>
        <source>失敗した行と競合した行だけを表示する
失敗と競合だけ表示</source>
        <translation>Show only the lines that failed or conflict
Failures and conflicts only</translation>
    </message>
</context>
<context>
    <name>SyncPage</name>
    <message>
        <source>同期</source>
        <translation>Sync</translation>
    </message>
    <message>
        <source>完全同期(&amp;C)</source>
        <translation>&amp;Complete sync</translation>
    </message>
    <message>
        <source>基本フォルダに存在せず，対照フォルダだけに存在
するファイル/フォルダを削除します
（対照フォルダのファイル/フォルダが削除されます）</source>
        <translation>Deletes the files and folders that exist only in the
target folder and not in the base folder
(the target folder&apos;s files and folders are deleted)</translation>
    </message>
    <message>
        <source>※このオプションは条件ごとに保存されます</source>
        <translation>* These options are kept for each condition.</translation>
    </message>
    <message>
        <source>削除はゴミ箱へ(&amp;D)</source>
        <translation>&amp;Deleted files go to the trash</translation>
    </message>
    <message>
        <source>前回の同期を記憶する(&amp;M)</source>
        <translation>Re&amp;member the last sync</translation>
    </message>
    <message>
        <source>一方で削除したファイルは他方でも削除し，両方での変更は「!」で止めます</source>
        <translation>Deletions on one side are repeated on the other; edits on both sides stop at &quot;!&quot;</translation>
    </message>
</context>
<context>
    <name>UserDialogs</name>
    <message>
        <source>OrvelFile(*.ORV)</source>
        <translation>Orvel condition files (*.ORV)</translation>
    </message>
    <message>
        <source>フォルダを選択して下さい</source>
        <translation>Choose a folder</translation>
    </message>
</context>
<context>
    <name>VersionDialog</name>
    <message>
        <source>前回の同期の後に両方のフォルダで変更があります
%1</source>
        <translation>Both folders changed this entry since the last sync:
%1</translation>
    </message>
    <message>
        <source>基本:</source>
        <translation>Base:</translation>
    </message>
    <message>
        <source>対照:</source>
        <translation>Target:</translation>
    </message>
    <message>
        <source>（削除されています）</source>
        <translation>(deleted)</translation>
    </message>
    <message>
        <source>%1  フォルダ</source>
        <translation>%1  folder</translation>
    </message>
    <message>
        <source>%1  %2（%3 バイト）</source>
        <translation>%1  %2 (%3 bytes)</translation>
    </message>
    <message>
        <source>どちらを残しますか？
残さない方はごみ箱へ移します（ごみ箱がない所では別の名前で横に残します）</source>
        <translation>Which version do you want to keep?
The other goes to the trash (where there is none, it stays beside under another name).</translation>
    </message>
    <message>
        <source>削除された側を残すと、もう一方もごみ箱へ移します</source>
        <translation>Keeping the side where it was deleted moves the other version to the trash too.</translation>
    </message>
    <message>
        <source>基本を残す(&amp;B)</source>
        <translation>Keep the &amp;base</translation>
    </message>
    <message>
        <source>対照を残す(&amp;T)</source>
        <translation>Keep the &amp;target</translation>
    </message>
    <message>
        <source>両方を残す(&amp;O)</source>
        <translation>Keep b&amp;oth</translation>
    </message>
    <message>
        <source>比較(&amp;D)</source>
        <translation>Show &amp;differences</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
