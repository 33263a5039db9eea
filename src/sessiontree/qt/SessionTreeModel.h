#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include <QAbstractItemModel>

#include "sessiontree/SessionTreeBase.h"

class SessionTreeCtrl;

// The items of a session tree as a Qt model. Each node knows its row, so
// walking siblings and finding an index cost nothing however many
// sessions a folder holds; icons and tooltips are asked of the tree logic
// only for the rows the view draws.
class SessionTreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    struct Node {
        TreeItem id = kNoTreeItem;
        QString text;
        SessionTreeItemData data;
        Node* parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
        int row = 0;
        bool expanded = false;
        bool cut = false;
        int image = -1; // computed when first drawn
        QString editText; // what the label editor starts with
    };

    explicit SessionTreeModel(SessionTreeCtrl& tree);

    // The node of a live handle; null for a handle whose item is gone.
    Node* NodeOf(TreeItem item) const;
    static TreeItem ItemOf(const Node* node) { return node ? node->id : kNoTreeItem; }
    Node* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const Node* node) const;
    Node* Top() { return &m_top; }
    const Node* Top() const { return &m_top; }

    // `after` is a sibling, kInsertFirst or kInsertLast. Null when `after`
    // is not a child of `parent`.
    Node* Insert(Node* parent, TreeItem after, const QString& text, const SessionTreeItemData& data);
    void Remove(Node* node);
    // Moves the node's row, with its children, to after `after` (a child
    // of `parent`, kInsertFirst or kInsertLast): views keep what is
    // expanded and selected. False when it cannot go there.
    bool Move(Node* node, Node* parent, TreeItem after);
    void Clear();
    // Everything between the two is one reset of the model: rows go in
    // and out without a signal each.
    void BeginReset();
    void EndReset();
    bool IsResetting() const { return m_resetting > 0; }
    void Changed(Node* node);
    // Every row's image is computed again when next drawn.
    void ForgetImages();
    void SetDropHighlight(Node* node);
    Node* DropHighlight() const { return NodeOf(m_dropHighlight); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static bool Loadable(const Node* node);
    void ForgetImages(Node* node);
    static void Renumber(Node* parent, size_t from);

    SessionTreeCtrl& m_tree;
    Node m_top; // holds the root item "Sessions"
    std::unordered_map<TreeItem, Node*> m_nodes;
    TreeItem m_nextId = 1;
    TreeItem m_dropHighlight = kNoTreeItem;
    int m_resetting = 0;
};
